// MPEG IMX (D-10) frames stored in a KLV item: the payload moves to the
// front of the buffer and is padded with zeros to the nominal frame size of
// the code's bit rate and frame rate.
#pragma once

#include <cstdint>
#include <span>

// `buffer` holds the frame in its first `size` bytes. Unwraps in place and
// returns the new size. A frame that does not start with the D-10 key, or
// whose nominal size exceeds the buffer, stays as it is. A length that claims
// more than the frame holds delivers the payload that exists.
uint32_t UnwrapImxFrame(uint32_t nominalSize, std::span<uint8_t> buffer, uint32_t size);
