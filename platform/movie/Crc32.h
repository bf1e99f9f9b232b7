// CRC-32 (ISO-HDLC: the polynomial of zip and PNG, reflected, initial and
// final value 0xFFFFFFFF), for records that must prove they reached the disk whole.
#pragma once

#include <cstdint>
#include <span>

namespace zeb::movie {

uint32_t Crc32(std::span<const uint8_t> bytes);

}  // namespace zeb::movie
