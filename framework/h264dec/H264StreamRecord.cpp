#include "framework/h264dec/H264StreamRecord.h"

#include <algorithm>
#include <limits>

#include "zebplug/ZEBPlugEnums.h"

namespace zeb::h264dec {

using analysis::H264PicStruct;
using analysis::Ratio;
using analysis::ReduceRatio;

namespace {

constexpr uint32_t kMaxRatioTerm = std::numeric_limits<uint32_t>::max();

uint32_t PicStructFieldOrder(H264PicStruct picStruct) {
  switch (picStruct) {
    case H264PicStruct::kTopField:
    case H264PicStruct::kTopBottom:
    case H264PicStruct::kTopBottomTop:
      return PLUG_FIELD_ORDER_TOP_FIRST_;
    case H264PicStruct::kBottomField:
    case H264PicStruct::kBottomTop:
    case H264PicStruct::kBottomTopBottom:
      return PLUG_FIELD_ORDER_BOTTOM_FIRST_;
    default:
      return PLUG_FIELD_ORDER_PROGRESSIVE_;
  }
}

Ratio DisplayAspect(const analysis::H264Sps& sps) {
  const Ratio sample = sps.vui.sampleAspect;
  if (sample.num == 0 || sample.den == 0) {
    return ReduceRatio(sps.width, sps.height, analysis::kExactRatioLimit);
  }
  return ReduceRatio(uint64_t{sps.width} * sample.num, uint64_t{sps.height} * sample.den,
                     analysis::kExactRatioLimit);
}

// A tick is one field period, so a frame lasts two ticks (E.2.1).
std::optional<Ratio> FrameRate(const analysis::H264Vui& vui) {
  if (vui.numUnitsInTick == 0 || vui.timeScale == 0) return std::nullopt;
  return ReduceRatio(vui.timeScale, uint64_t{vui.numUnitsInTick} * 2, kMaxRatioTerm);
}

uint32_t ColourFormat(uint32_t chromaFormatIdc) {
  switch (chromaFormatIdc) {
    case 2:
      return PLUG_COLOR_FORMAT_YUV422P_;
    case 3:
      return PLUG_COLOR_FORMAT_YUV444P_;
    default:
      return PLUG_COLOR_FORMAT_YUV420P_;  // monochrome decodes as 4:2:0 with grey chroma
  }
}

}  // namespace

uint32_t H264FieldOrder(const analysis::H264Sps& sps, const analysis::H264SliceFields& slice,
                        std::optional<H264PicStruct> picStruct) {
  if (sps.frameMbsOnly) return PLUG_FIELD_ORDER_PROGRESSIVE_;
  if (slice.fieldPic) {
    return slice.bottomField ? PLUG_FIELD_ORDER_BOTTOM_FIRST_ : PLUG_FIELD_ORDER_TOP_FIRST_;
  }
  if (picStruct) return PicStructFieldOrder(*picStruct);
  if (slice.bottomMinusTopPoc > 0) return PLUG_FIELD_ORDER_TOP_FIRST_;
  if (slice.bottomMinusTopPoc < 0) return PLUG_FIELD_ORDER_BOTTOM_FIRST_;
  return PLUG_FIELD_ORDER_PROGRESSIVE_;
}

uint32_t H264ProvisionalFieldOrder(const analysis::H264Sps& sps) {
  return sps.frameMbsOnly ? PLUG_FIELD_ORDER_PROGRESSIVE_ : PLUG_FIELD_ORDER_TOP_FIRST_;
}

analysis::VideoFacts H264StreamFacts(const analysis::H264Sps& sps, uint32_t fieldOrder) {
  analysis::VideoFacts facts;
  facts.videoType = PLUG_VIDEO_TYPE_H264_;
  facts.videoSubType = sps.profileIdc;
  facts.width = sps.width;
  facts.height = sps.height;
  facts.displayAspect = DisplayAspect(sps);
  facts.frameRate = FrameRate(sps.vui);
  facts.fieldOrder = fieldOrder;
  facts.colorFormat = ColourFormat(sps.chromaFormatIdc);
  facts.colour = analysis::ResolveColour(sps.vui.colour, sps.width, sps.height);
  facts.componentDepth = static_cast<int32_t>(sps.bitDepthLuma);
  facts.videoRange = !sps.vui.fullRange;
  if (sps.vui.hrd) {
    facts.bitRate = static_cast<uint32_t>(
        std::min<uint64_t>(sps.vui.hrd->bitRate, std::numeric_limits<uint32_t>::max()));
  }
  return facts;
}

}  // namespace zeb::h264dec
