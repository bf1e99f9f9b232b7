#pragma once

#include <cstdint>
#include <span>

#include "zebplug/ZEBPlugRecords.h"

namespace zeb::analysis {

// GetDVVideoInfo over a checked view of one DIF frame; ZEBStreamAnalysis.h
// states what it fills and returns.
uint32_t DescribeDvFrame(std::span<const uint8_t> frame, SPlugVideoStreamInfo* info);

}  // namespace zeb::analysis
