#pragma once

#include <cstdint>

namespace zeb::analysis {

struct Ratio {
  uint32_t num = 0;
  uint32_t den = 0;
  bool operator==(const Ratio&) const = default;
};

// Terms of a ratio that the stream records carry exactly in practice.
inline constexpr uint32_t kExactRatioLimit = 1u << 20;

// num/den in lowest terms. When a term still exceeds `limit`, the closest
// fraction whose terms both stay within it (best rational approximation by
// continued fractions; a tie keeps the smaller terms). {0, 0} when either input
// is 0. Inputs stay below 2^40 (products of 16- and 32-bit stream fields), which
// keeps the exact comparison inside 128 bits.
Ratio ReduceRatio(uint64_t num, uint64_t den, uint32_t limit);

}  // namespace zeb::analysis
