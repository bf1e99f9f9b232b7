// The ratio reduction behind every aspect ratio: exact where it fits, else
// the closest ratio within the limit (MPEG-1's pel ratios). The bit reader
// and start-code scanner are driven by the byte-built and garbage streams.
#include <gtest/gtest.h>

#include "framework/proxy/analysis/Ratio.h"

namespace zeb::analysis {
namespace {

TEST(RatioTest, LowestTermsAndClosestWithinALimit) {
  const struct {
    uint64_t num, den;
    uint32_t limit;
    Ratio expected;
  } cases[] = {
      {720 * 16, 576 * 15, kExactRatioLimit, {4, 3}},
      {1920, 1080, kExactRatioLimit, {16, 9}},
      {317, 237, kExactRatioLimit, {317, 237}},
      {10000, 6735, 255, {49, 33}},            // MPEG-1 pel ratio 0.6735
      {10000, 9157, 255, {178, 163}},          // 0.9157
      {314159265, 100000000, 255, {245, 78}},  // a semiconvergent beats the convergent 22/7
      {1000000007, 1, 255, {255, 1}},
      {0, 5, kExactRatioLimit, {0, 0}},
      {5, 0, kExactRatioLimit, {0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReduceRatio(c.num, c.den, c.limit), c.expected) << c.num << "/" << c.den;
  }
}

}  // namespace
}  // namespace zeb::analysis
