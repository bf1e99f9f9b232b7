// What the video stream is: videoType, videoSubType and colorFormat by the
// compressor code, completed for DV, MPEG and H.264 by the framework's stream
// parsers fed with the movie's first frames.
#include <cstdint>
#include <cstring>
#include <numeric>
#include <optional>

#include "core/QtLog.h"
#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"
#include "framework/proxy/include/ZEBProxyCodec.h"
#include "media/CodecTraits.h"
#include "platform/movie/ByteReader.h"
#include "reader/CQTReader.h"
#include "reader/CQuickTimeSpliter.h"
#include "reader/DnxhdVariant.h"
#include "reader/H264AnalyzerModule.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugResults.h"

using zeb::media::CodecTraits;
using zeb::media::StreamParser;
using zeb::media::VideoSystem;

namespace {

// Image description byte holding the low byte of the DNxHD compression id.
constexpr size_t kDnxhdIdByteAt = 153;

struct PictureSize {
  uint32_t width;
  uint32_t height;
};

// The picture the host is told of for DVCPRO HD, by television system.
std::optional<PictureSize> DvcproHdSize(VideoSystem system) {
  switch (system) {
    case VideoSystem::k1080i50:
      return PictureSize{1440, 1080};
    case VideoSystem::k1080i60:
      return PictureSize{1280, 1080};
    case VideoSystem::k720p:
      return PictureSize{1280, 720};
    default:
      return std::nullopt;
  }
}

// Parameter sets code whole macroblocks; a picture that overshoots the
// track's own size by less than one macroblock without cropping it away is
// the track's size (decoders crop to it too).
uint32_t TrackSizeWithinMacroblock(uint32_t coded, uint32_t track) {
  constexpr uint32_t kMacroblock = 16;
  return coded > track && coded - track < kMacroblock ? track : coded;
}

// Takes the track's size where the coded one only pads it; the display ratio
// follows, since the pixels keep their shape.
void KeepTrackSize(SPlugVideoStreamInfo& video, uint32_t trackWidth, uint32_t trackHeight) {
  const uint32_t width = TrackSizeWithinMacroblock(video.width, trackWidth);
  const uint32_t height = TrackSizeWithinMacroblock(video.height, trackHeight);
  if (width == video.width && height == video.height) return;
  const uint64_t x = uint64_t{video.aspectX} * width * video.height;
  const uint64_t y = uint64_t{video.aspectY} * video.width * height;
  const uint64_t common = std::gcd(x, y);
  if (common != 0 && x / common <= UINT32_MAX && y / common <= UINT32_MAX) {
    video.aspectX = static_cast<uint32_t>(x / common);
    video.aspectY = static_cast<uint32_t>(y / common);
  }
  video.width = width;
  video.height = height;
}

}  // namespace

std::optional<uint32_t> CQuickTimeSpliter::SettleVideoType(uint32_t fourcc) {
  SPlugVideoStreamInfo& video = videoStream_.video;
  uint32_t colorFormat = 0;
  if (IsQuickTimeUnCompressVideoType(fourcc, &colorFormat) != 0) {
    video.colorFormat = colorFormat;
    return std::nullopt;
  }
  const CodecTraits* codec = zeb::media::FindVideoCodec(fourcc);
  if (codec == nullptr) {
    video.colorFormat = PLUG_COLOR_FORMAT_UYVY_;
    return std::nullopt;
  }
  switch (codec->parser) {
    case StreamParser::kDv:
      ProbeDvStream();
      return std::nullopt;
    case StreamParser::kMpeg:
      ProbeMpegStream();
      return std::nullopt;
    case StreamParser::kH264:
      return ProbeH264Stream();
    case StreamParser::kNone:
      break;
  }
  video.videoType = codec->videoType;
  video.colorFormat = codec->colorFormat;
  if (const auto size = DvcproHdSize(codec->system)) {
    video.width = size->width;
    video.height = size->height;
  }
  if (codec->videoType == PLUG_VIDEO_TYPE_DNXHD_) return SettleDnxhd();
  return std::nullopt;
}

void CQuickTimeSpliter::ProbeFrames(uint32_t maxFrames,
                                    const std::function<bool(const uint8_t*, uint32_t)>& feed) {
  const uint32_t bufferSize = reader_->FrameBufferSize();
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[bufferSize]);
  SPlugVideoStreamInfo& video = videoStream_.video;
  const SPlugVideoStreamInfo measured = video;
  std::memset(&video, 0, sizeof(video));
  bool complete = false;
  for (uint32_t i = 0; i < frameCount_ && i < maxFrames && !complete; ++i) {
    SPlugFrameInfo info;
    PlugRecords::Init(info);
    if (ReadFrameInto(i, buffer.get(), bufferSize, &info) != ZEB_OK) break;
    complete = feed(buffer.get(), info.dataSize);
  }
  // A stream the parser could not describe keeps what the movie says of it.
  if (!complete) {
    video = measured;
    return;
  }
  // The parsers describe the picture; what the movie measured (the distance
  // between key frames, the data rate) stays where they leave nothing.
  for (uint32_t SPlugVideoStreamInfo::*word :
       {&SPlugVideoStreamInfo::gopSize, &SPlugVideoStreamInfo::bitRate,
        &SPlugVideoStreamInfo::reserved18}) {
    if (video.*word == 0) video.*word = measured.*word;
  }
}

void CQuickTimeSpliter::ProbeDvStream() {
  const uint32_t subType = videoStream_.video.videoSubType;
  ProbeFrames(1, [this](const uint8_t* data, uint32_t size) {
    return GetDVVideoInfo(data, size, &videoStream_.video) == ZEB_ANALYSIS_COMPLETE;
  });
  videoStream_.video.videoType = PLUG_VIDEO_TYPE_QUICKTIME_;
  videoStream_.video.videoSubType = subType;
}

void CQuickTimeSpliter::ProbeMpegStream() {
  const uint32_t subType = videoStream_.video.videoSubType;
  ProbeFrames(frameCount_, [this](const uint8_t* data, uint32_t size) {
    return GetMpegVideoInfo(data, size, &videoStream_.video) == ZEB_ANALYSIS_COMPLETE;
  });
  videoStream_.video.videoType = PLUG_VIDEO_TYPE_QUICKTIME_;
  videoStream_.video.videoSubType = subType;
}

std::optional<uint32_t> CQuickTimeSpliter::ProbeH264Stream() {
  analyzer_ = H264AnalyzerModule::Load();
  if (analyzer_ == nullptr) {
    QtLogTrace(L"Creat H264Analyzer Error，can get H264 videinfo from H264Dec Plug!");
    return ZEB_OK;
  }
  SPlugVideoStreamInfo& video = videoStream_.video;
  const uint32_t rateNum = video.frameRateNum;
  const uint32_t rateDen = video.frameRateDen;
  const uint32_t trackWidth = video.width;
  const uint32_t trackHeight = video.height;
  ProbeFrames(frameCount_, [this](const uint8_t* data, uint32_t size) {
    return analyzer_->GetStreamInfo(&videoStream_.video, data, size) == ZEB_ANALYSIS_COMPLETE;
  });
  video.videoType = PLUG_VIDEO_TYPE_H264_;
  video.frameRateNum = rateNum;
  video.frameRateDen = rateDen;
  KeepTrackSize(video, trackWidth, trackHeight);
  return std::nullopt;
}

std::optional<uint32_t> CQuickTimeSpliter::SettleDnxhd() {
  SPlugVideoStreamInfo& video = videoStream_.video;
  const std::vector<uint8_t>& description = reader_->ImageDescription();
  uint8_t idByte = 0;
  zeb::movie::ByteReader bytes(description);
  if (!bytes.Seek(kDnxhdIdByteAt).IsOk() || !bytes.ReadU8(idByte).IsOk()) {
    return ZEB_E_UNSUPPORTED_VARIANT;
  }
  const auto variant = FindDnxhdVariant(idByte, video.frameRateNum, video.frameRateDen);
  if (!variant) return ZEB_E_UNSUPPORTED_VARIANT;
  video.fieldOrder = variant->fieldOrder;
  video.videoSubType = variant->subType;
  return std::nullopt;
}
