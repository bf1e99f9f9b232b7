// Four-character codes as native 32-bit values, first character in the most
// significant byte ('moov' == 0x6D6F6F76), as the file stores them big-endian.
#pragma once

#include <cstdint>
#include <string>

namespace zeb::movie {

constexpr uint32_t FourCC(const char (&code)[5]) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) |
         static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}

// Printable form, first character first; bytes outside 0x20..0x7E become "\xNN".
std::string FourCCToString(uint32_t code);

}  // namespace zeb::movie
