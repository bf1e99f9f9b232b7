#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "framework/proxy/analysis/H264Nal.h"
#include "framework/proxy/analysis/H264Pps.h"
#include "framework/proxy/analysis/H264Sei.h"
#include "framework/proxy/analysis/H264Sps.h"
#include "framework/proxy/analysis/VideoRecord.h"
#include "zebplug/ZEBPlugRecords.h"

namespace zeb::h264dec {

// The state behind one analyser handle: the parameter sets seen so far, a
// picture-timing message waiting for its slice, and the stream's description
// once the first slice with known parameter sets has fixed it.
class H264StreamAnalyzer {
 public:
  // Reads every NAL unit of `bytes` and writes what is known into `info`;
  // returns a ZEB_ANALYSIS_ status as ZEBPlugH264Dec.h describes.
  uint32_t Analyse(std::span<const uint8_t> bytes, SPlugVideoStreamInfo* info);
  void Reset();

 private:
  // False when the unit is not a NAL unit (forbidden bit set).
  bool ReadNal(std::span<const uint8_t> unit);
  void ReadSps(std::span<const uint8_t> payload);
  void ReadPps(std::span<const uint8_t> payload);
  void ReadSei(std::span<const uint8_t> payload);
  void ReadSlice(const analysis::H264Nal& nal);

  std::array<std::optional<analysis::H264Sps>, analysis::kH264MaxSpsId + 1> sps_;
  std::array<std::optional<analysis::H264Pps>, analysis::kH264MaxPpsId + 1> pps_;
  std::optional<uint32_t> latestSpsId_;
  std::optional<analysis::H264PicTiming> pendingPicTiming_;
  std::optional<analysis::VideoFacts> description_;
};

}  // namespace zeb::h264dec
