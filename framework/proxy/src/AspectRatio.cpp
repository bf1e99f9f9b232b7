// Sample and display aspect ratios of a picture: DAR = (width x SAR) : height.
#include <algorithm>
#include <cstdint>
#include <numeric>

#include "framework/proxy/include/ZEBProxyCodec.h"

namespace {

struct Ratio {
  uint64_t num;
  uint64_t den;
};

// Rounded quotient, at least 1 so that a ratio never gains a zero term.
uint64_t DivideRounded(uint64_t value, uint64_t divisor) {
  return std::max<uint64_t>(1, (value + divisor / 2) / divisor);
}

// Lowest terms. Terms past 32 bits (only from extreme inputs) are both divided
// by one factor, rounded, which keeps the ratio to within half a unit of the
// smaller term; a ratio beyond 32 bits itself saturates.
Ratio Reduce(Ratio r) {
  uint64_t divisor = std::gcd(r.num, r.den);
  r = {r.num / divisor, r.den / divisor};
  const uint64_t larger = std::max(r.num, r.den);
  if (larger <= UINT32_MAX) return r;
  const uint64_t factor = larger / UINT32_MAX + 1;
  r = {DivideRounded(r.num, factor), DivideRounded(r.den, factor)};
  divisor = std::gcd(r.num, r.den);
  return {r.num / divisor, r.den / divisor};
}

int32_t Answer(bool valid, Ratio r, uint32_t* outNum, uint32_t* outDen) {
  if (!valid) r = {1, 1};
  if (outNum) *outNum = static_cast<uint32_t>(r.num);
  if (outDen) *outDen = static_cast<uint32_t>(r.den);
  return valid ? 1 : 0;
}

}  // namespace

extern "C" {

int32_t SARtoDAR(uint32_t width, uint32_t height, uint32_t num, uint32_t den, uint32_t* outNum,
                 uint32_t* outDen) {
  const bool valid = width && height && outNum && outDen;
  if (!valid) return Answer(false, {}, outNum, outDen);
  const bool square = num == 0 || den == 0;
  const Ratio sample = square ? Ratio{1, 1} : Ratio{num, den};
  return Answer(true, Reduce({uint64_t{width} * sample.num, uint64_t{height} * sample.den}), outNum,
                outDen);
}

int32_t DARtoSAR(uint32_t width, uint32_t height, uint32_t num, uint32_t den, uint32_t* outNum,
                 uint32_t* outDen) {
  const bool valid = width && height && outNum && outDen;
  if (!valid) return Answer(false, {}, outNum, outDen);
  if (num == 0 || den == 0) return Answer(true, {1, 1}, outNum, outDen);
  return Answer(true, Reduce({uint64_t{num} * height, uint64_t{den} * width}), outNum, outDen);
}

}  // extern "C"
