#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "framework/proxy/analysis/Ratio.h"
#include "framework/proxy/analysis/VideoRecord.h"

namespace zeb::analysis {

inline constexpr uint32_t kH264MaxSpsId = 31;

// The HRD parameters that matter here (ITU-T H.264 E.1.2).
struct H264Hrd {
  uint64_t bitRate = 0;  // bit/s of the first schedule
  uint32_t cpbRemovalDelayBits = 0;
  uint32_t dpbOutputDelayBits = 0;
};

// VUI fields read here (ITU-T H.264 E.1.1); a VUI that ends early is dropped
// as a whole and these defaults stand.
struct H264Vui {
  Ratio sampleAspect;  // {0, 0}: unspecified
  bool fullRange = false;
  std::optional<ColourDescription> colour;
  uint32_t numUnitsInTick = 0;  // 0: no timing information
  uint32_t timeScale = 0;
  std::optional<H264Hrd> hrd;  // the NAL HRD, else the VCL HRD
  bool picStructPresent = false;
};

struct H264Sps {
  uint32_t id = 0;
  uint32_t profileIdc = 0;
  uint32_t chromaFormatIdc = 1;  // 0 monochrome, 1 4:2:0, 2 4:2:2, 3 4:4:4
  bool separateColourPlane = false;
  uint32_t bitDepthLuma = 8;
  uint32_t log2MaxFrameNum = 4;
  uint32_t picOrderCntType = 0;
  uint32_t log2MaxPicOrderCntLsb = 4;
  bool deltaPicOrderAlwaysZero = false;
  int32_t offsetForTopToBottomField = 0;
  bool frameMbsOnly = true;
  uint32_t width = 0;  // luma samples after frame cropping
  uint32_t height = 0;
  H264Vui vui;
};

// A sequence parameter set from the payload of its NAL unit (escaped bytes
// after the NAL header); nullopt when it ends early or holds values out of
// range, such as a crop that leaves no picture.
std::optional<H264Sps> ParseH264Sps(std::span<const uint8_t> payload);

}  // namespace zeb::analysis
