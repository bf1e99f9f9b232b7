#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zeb::analysis {

// nal_unit_type values read here (ITU-T H.264 table 7-1).
enum class H264NalType : uint8_t {
  kSlice = 1,
  kSliceDataPartitionA = 2,
  kIdrSlice = 5,
  kSei = 6,
  kSequenceParameterSet = 7,
  kPictureParameterSet = 8,
};

struct H264Nal {
  H264NalType type;
  std::span<const uint8_t> payload;  // after the one-byte header, still escaped
};

// A NAL unit from a start-code scanner unit; nullopt when the unit is empty or
// its forbidden_zero_bit is set.
std::optional<H264Nal> ReadH264Nal(std::span<const uint8_t> unit);

// Slice NAL units whose header starts with first_mb_in_slice and slice_type.
bool IsH264SliceNal(H264NalType type);

}  // namespace zeb::analysis
