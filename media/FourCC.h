// Four-character codes as the system compares and logs them: native 32-bit
// values, first character in the most significant byte (the movie layer's
// FourCC()).
#pragma once

#include <cstdint>
#include <initializer_list>

#include "platform/movie/FourCC.h"

namespace zeb::media {

using zeb::movie::FourCC;

// Character `i` (0 = first, most significant) of a code, as a log argument.
constexpr wchar_t FourCCChar(uint32_t code, int i) {
  return static_cast<wchar_t>((code >> (24 - 8 * i)) & 0xFF);
}

constexpr bool IsOneOf(uint32_t code, std::initializer_list<uint32_t> codes) {
  for (uint32_t c : codes) {
    if (c == code) return true;
  }
  return false;
}

}  // namespace zeb::media
