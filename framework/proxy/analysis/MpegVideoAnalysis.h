#pragma once

#include <cstdint>
#include <span>

#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"

namespace zeb::analysis {

// GetMpegVideoInfo and GetMpegVideoRef over a checked view of the frame; the
// header ZEBStreamAnalysis.h states what they fill and return.
uint32_t DescribeMpegVideo(std::span<const uint8_t> frame, SPlugVideoStreamInfo* info);
uint32_t DescribeMpegPicture(std::span<const uint8_t> frame, MpegVideoInfo* info);

}  // namespace zeb::analysis
