#include "framework/proxy/analysis/H264Nal.h"

namespace zeb::analysis {

std::optional<H264Nal> ReadH264Nal(std::span<const uint8_t> unit) {
  if (unit.empty() || (unit[0] & 0x80) != 0) return std::nullopt;
  return H264Nal{static_cast<H264NalType>(unit[0] & 0x1F), unit.subspan(1)};
}

bool IsH264SliceNal(H264NalType type) {
  return type == H264NalType::kSlice || type == H264NalType::kSliceDataPartitionA ||
         type == H264NalType::kIdrSlice;
}

}  // namespace zeb::analysis
