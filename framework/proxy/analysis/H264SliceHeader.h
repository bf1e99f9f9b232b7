#pragma once

#include <cstdint>
#include <optional>

#include "framework/proxy/analysis/BitReader.h"
#include "framework/proxy/analysis/H264Pps.h"
#include "framework/proxy/analysis/H264Sps.h"

namespace zeb::analysis {

// slice_type modulo 5 (ITU-T H.264 table 7-6).
enum class H264SliceKind : uint32_t { kP = 0, kB = 1, kI = 2, kSp = 3, kSi = 4 };

// The fields before anything that needs a parameter set.
struct H264SliceStart {
  uint32_t firstMb = 0;
  H264SliceKind kind = H264SliceKind::kI;
  uint32_t ppsId = 0;
};

// How the slice's picture is coded in time: a field or a frame, and for a frame
// how far the bottom field's picture order count lies after the top field's.
struct H264SliceFields {
  bool fieldPic = false;
  bool bottomField = false;
  int64_t bottomMinusTopPoc = 0;
};

// Reads from the start of a slice NAL payload (reader escaping kH264).
std::optional<H264SliceStart> ReadH264SliceStart(BitReader& reader);

// Continues after ReadH264SliceStart up to the picture-order-count fields
// (7.3.3), with the parameter sets the slice names.
std::optional<H264SliceFields> ReadH264SliceFields(BitReader& reader, bool idr, const H264Sps& sps,
                                                   const H264Pps& pps);

}  // namespace zeb::analysis
