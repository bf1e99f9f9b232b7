#include "framework/proxy/analysis/VideoRecord.h"

namespace zeb::analysis {

namespace {

constexpr uint32_t kBt709 = 1;
constexpr uint32_t kBt601Pal = 5;
constexpr uint32_t kBt601Ntsc = 6;
constexpr uint32_t kStandardDefinitionWidth = 720;
constexpr uint32_t kVideoStreamInfoSize = sizeof(SPlugVideoStreamInfo);

bool SaysNothing(uint32_t code) { return code == 0 || code == 2 || code == 3; }

uint32_t Resolve(uint32_t coded, uint32_t fallback) {
  return SaysNothing(coded) ? fallback : coded;
}

}  // namespace

ColourDescription DefaultColour(uint32_t width, uint32_t height) {
  if (width > kStandardDefinitionWidth) return {kBt709, kBt709, kBt709};
  const bool lines525 = height == 480 || height == 486;
  return {lines525 ? kBt601Ntsc : kBt601Pal, kBt601Pal, kBt601Pal};
}

ColourDescription ResolveColour(const std::optional<ColourDescription>& coded, uint32_t width,
                                uint32_t height) {
  const ColourDescription fallback = DefaultColour(width, height);
  if (!coded) return fallback;
  return {Resolve(coded->primaries, fallback.primaries),
          Resolve(coded->transfer, fallback.transfer), Resolve(coded->matrix, fallback.matrix)};
}

void WriteVideoFacts(const VideoFacts& facts, SPlugVideoStreamInfo* info) {
  info->size = kVideoStreamInfoSize;
  if (facts.videoType) info->videoType = *facts.videoType;
  if (facts.videoSubType) info->videoSubType = *facts.videoSubType;
  info->width = facts.width;
  info->height = facts.height;
  info->aspectX = facts.displayAspect.num;
  info->aspectY = facts.displayAspect.den;
  if (facts.frameRate) {
    info->frameRateNum = facts.frameRate->num;
    info->frameRateDen = facts.frameRate->den;
  }
  info->fieldOrder = facts.fieldOrder;
  info->colorFormat = facts.colorFormat;
  info->colorPrimaries = facts.colour.primaries;
  info->transferFunction = facts.colour.transfer;
  info->matrix = facts.colour.matrix;
  info->componentDepth = facts.componentDepth;
  info->videoRange = facts.videoRange ? 1 : 0;
  if (facts.bitRate) info->bitRate = *facts.bitRate;
}

}  // namespace zeb::analysis
