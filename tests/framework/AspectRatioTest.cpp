#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>

#include "framework/proxy/include/ZEBProxyCodec.h"

namespace {

struct AspectCase {
  const char* name;
  uint32_t width, height, sarNum, sarDen, darNum, darDen;
};

// Both directions over the same rows: SARtoDAR gives the display ratio, and
// DARtoSAR of that display ratio gives back the sample ratio in lowest terms.
TEST(AspectRatio, SampleAndDisplayRatiosAgree) {
  const AspectCase cases[] = {
      {"PAL 4:3", 720, 576, 16, 15, 4, 3},
      {"PAL clean-aperture spacing", 720, 576, 59, 54, 295, 216},
      {"NTSC spacing 10:11", 720, 480, 10, 11, 15, 11},
      {"unreduced input", 1280, 720, 2, 2, 16, 9},
      {"odd size", 721, 481, 1, 1, 721, 481},
  };
  for (const AspectCase& c : cases) {
    uint32_t num = 0, den = 0;
    EXPECT_EQ(SARtoDAR(c.width, c.height, c.sarNum, c.sarDen, &num, &den), 1) << c.name;
    EXPECT_EQ(num, c.darNum) << c.name;
    EXPECT_EQ(den, c.darDen) << c.name;

    EXPECT_EQ(DARtoSAR(c.width, c.height, c.darNum, c.darDen, &num, &den), 1) << c.name;
    const uint32_t divisor = std::gcd(c.sarNum, c.sarDen);
    EXPECT_EQ(num, c.sarNum / divisor) << c.name;
    EXPECT_EQ(den, c.sarDen / divisor) << c.name;
  }
}

TEST(AspectRatio, UnknownRatiosAndBadArguments) {
  struct Case {
    const char* name;
    bool display;  // SARtoDAR, else DARtoSAR
    uint32_t width, height, num, den;
    int32_t status;
    uint32_t outNum, outDen;
  };
  const Case cases[] = {
      {"square samples by 0:0", true, 1920, 1080, 0, 0, 1, 16, 9},
      {"square samples by a zero denominator", true, 720, 576, 16, 0, 1, 5, 4},
      {"square samples by a zero numerator", true, 720, 480, 0, 11, 1, 3, 2},
      {"display 0:0 means square samples", false, 720, 576, 0, 0, 1, 1, 1},
      {"zero width", true, 0, 576, 16, 15, 0, 1, 1},
      {"zero height", false, 720, 0, 4, 3, 0, 1, 1},
      {"portrait", false, 1280, 720, 4, 3, 1, 3, 4},
  };
  for (const Case& c : cases) {
    uint32_t num = 77, den = 77;
    const int32_t status = c.display ? SARtoDAR(c.width, c.height, c.num, c.den, &num, &den)
                                     : DARtoSAR(c.width, c.height, c.num, c.den, &num, &den);
    EXPECT_EQ(status, c.status) << c.name;
    EXPECT_EQ(num, c.outNum) << c.name;
    EXPECT_EQ(den, c.outDen) << c.name;
  }
  uint32_t num = 77;
  EXPECT_EQ(SARtoDAR(720, 576, 16, 15, &num, nullptr), 0);
  EXPECT_EQ(num, 1u);
  EXPECT_EQ(DARtoSAR(720, 576, 4, 3, nullptr, nullptr), 0);
}

// Terms beyond 32 bits are scaled down together, never wrapped: a ratio that
// 32-bit terms can hold stays close, one that they cannot saturates.
TEST(AspectRatio, ExtremeTermsStayInRange) {
  struct Case {
    uint32_t width, height, num, den;
    long double tolerance;  // relative; 0 when the ratio cannot be held
  };
  const Case cases[] = {
      {0xFFFFFFFB, 0xFFFFFFF1, 0xFFFFFFEF, 0xFFFFFFE1, 1e-9L},
      {65535, 65521, 0xFFFFFFFB, 0xFFFFFFF1, 1e-9L},
      {0xFFFFFFFB, 3, 0xFFFFFFF1, 0xFFFFFFEF, 1e-9L},
      {0xFFFFFFFF, 1, 0xFFFFFFFF, 1, 0},
      {1, 0xFFFFFFFF, 1, 0xFFFFFFFD, 0},
  };
  for (const Case& c : cases) {
    uint32_t num = 0, den = 0;
    ASSERT_EQ(SARtoDAR(c.width, c.height, c.num, c.den, &num, &den), 1);
    ASSERT_GT(num, 0u);
    ASSERT_GT(den, 0u);
    const long double exact =
        static_cast<long double>(c.width) * c.num / (static_cast<long double>(c.height) * c.den);
    const long double got = static_cast<long double>(num) / den;
    if (c.tolerance > 0) {
      EXPECT_NEAR(got / exact, 1.0L, c.tolerance) << c.width << "x" << c.height;
    } else {
      EXPECT_TRUE(exact > 1 ? (num >= UINT32_MAX - 1 && den == 1)
                            : (num == 1 && den >= UINT32_MAX - 1))
          << num << ":" << den;
    }
  }
}

}  // namespace
