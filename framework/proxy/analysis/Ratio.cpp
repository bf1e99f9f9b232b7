#include "framework/proxy/analysis/Ratio.h"

#include <algorithm>
#include <numeric>

namespace zeb::analysis {

namespace {

using Wide = unsigned __int128;

// |a/b - num/den| scaled by b * den, compared exactly.
Wide Distance(uint64_t a, uint64_t b, uint64_t num, uint64_t den) {
  const Wide left = Wide{a} * den;
  const Wide right = Wide{num} * b;
  return left > right ? left - right : right - left;
}

bool CloserThan(Ratio candidate, Ratio incumbent, uint64_t num, uint64_t den) {
  // Compare |c - x| and |i - x| without division: scale each by the other's denominator.
  const Wide candidateGap = Distance(candidate.num, candidate.den, num, den) * incumbent.den;
  const Wide incumbentGap = Distance(incumbent.num, incumbent.den, num, den) * candidate.den;
  return candidateGap < incumbentGap;
}

}  // namespace

Ratio ReduceRatio(uint64_t num, uint64_t den, uint32_t limit) {
  if (num == 0 || den == 0 || limit == 0) return {};
  const uint64_t divisor = std::gcd(num, den);
  num /= divisor;
  den /= divisor;
  if (num <= limit && den <= limit) {
    return {static_cast<uint32_t>(num), static_cast<uint32_t>(den)};
  }
  // Convergents h/k of the continued fraction of num/den; (h0, k0) is the one
  // before (h1, k1).
  uint64_t h0 = 0, k0 = 1, h1 = 1, k1 = 0;
  uint64_t x = num, y = den;
  while (y != 0) {
    const uint64_t q = x / y;
    const Wide h2 = Wide{q} * h1 + h0;
    const Wide k2 = Wide{q} * k1 + k0;
    if (h2 > limit || k2 > limit) {
      // The largest semiconvergent within the limit may beat the last convergent.
      const uint64_t t = std::min(h1 ? (limit - h0) / h1 : q, k1 ? (limit - k0) / k1 : q);
      const Ratio convergent{static_cast<uint32_t>(h1), static_cast<uint32_t>(k1)};
      if (t == 0 || k1 == 0) break;
      const Ratio semiconvergent{static_cast<uint32_t>(t * h1 + h0),
                                 static_cast<uint32_t>(t * k1 + k0)};
      return CloserThan(semiconvergent, convergent, num, den) ? semiconvergent : convergent;
    }
    h0 = h1;
    k0 = k1;
    h1 = static_cast<uint64_t>(h2);
    k1 = static_cast<uint64_t>(k2);
    const uint64_t remainder = x - q * y;
    x = y;
    y = remainder;
  }
  if (k1 == 0) return {limit, 1};  // num/den is larger than the limit itself
  return {static_cast<uint32_t>(h1), static_cast<uint32_t>(k1)};
}

}  // namespace zeb::analysis
