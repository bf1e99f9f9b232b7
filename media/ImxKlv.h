// MPEG IMX (D-10) frames in the file: one KLV item whose key is the SMPTE
// D-10 picture element, a BER length, then the MPEG-2 frame. The reader
// unwraps it, the writer wraps frames into it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "media/CodecTraits.h"

namespace zeb::media {

// The key's first 15 bytes; readers do not compare the 16th, writers put 00.
inline constexpr std::array<uint8_t, 15> kD10KeyPrefix = {
    0x06, 0x0E, 0x2B, 0x34, 0x01, 0x02, 0x01, 0x01, 0x0D, 0x01, 0x03, 0x01, 0x05, 0x01, 0x01};
inline constexpr size_t kD10KeySize = 16;
// Byte 16: its low four bits count the big-endian length bytes that follow.
inline constexpr size_t kKlvLengthByteAt = kD10KeySize;

// The nominal D-10 frame: 4 × trunc(bit rate ÷ (frame rate × 32)), with
// 25 frames a second on 625 lines and 29.97 on 525. 0 for a code without
// the KLV item.
uint32_t ImxNominalFrameSize(const CodecTraits& codec);

}  // namespace zeb::media
