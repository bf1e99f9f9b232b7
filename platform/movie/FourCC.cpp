#include "platform/movie/FourCC.h"

#include <cstdio>

namespace zeb::movie {

std::string FourCCToString(uint32_t code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto byte = static_cast<uint8_t>(code >> shift);
    if (byte >= 0x20 && byte <= 0x7E) {
      text += static_cast<char>(byte);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      text += escaped;
    }
  }
  return text;
}

}  // namespace zeb::movie
