// MPEG IMX (D-10) frames stored in a KLV wrapper: the payload moves to the
// front of the buffer and is padded with zeros to the nominal frame size of
// the code's bit rate and frame rate.
#pragma once

#include <cstdint>

// Unwraps in place and returns the new size. A frame that does not start
// with the KLV key, or whose nominal size exceeds `capacity`, stays as it is.
uint32_t UnwrapImxFrame(uint32_t nominalSize, uint8_t* frame, uint32_t size, uint32_t capacity);
