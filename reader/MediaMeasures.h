// Measures of a media that the open reports in the stream records.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/movie/Media.h"

// Bits per second over the whole media: its data size × time scale × 8 ÷ its
// duration, truncated to 32 bits. `fallback` when the media has no duration
// or its data size cannot be had.
uint32_t MediaBitRate(const zeb::movie::Media& media, uint32_t fallback);

// Sample description `index` (1-based) as bytes; empty when it cannot be had.
std::vector<uint8_t> CopySampleDescription(const zeb::movie::Media& media, uint32_t index);
