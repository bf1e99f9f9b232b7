// The MPEG-2 picture header (ISO/IEC 13818-2 6.2.3) as the writer needs it:
// the temporal reference that places a frame in display order within its GOP.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zeb::media {

// The 10-bit temporal_reference of the first picture header (start code
// 00 00 01 00) in `frame`; nothing when there is none or the frame ends
// before the two bytes that carry it.
std::optional<uint16_t> FirstTemporalReference(std::span<const uint8_t> frame);

}  // namespace zeb::media
