// The pieces every analyser reads through: the bit reader, the start-code
// scanner and the ratio reduction.
#include <gtest/gtest.h>

#include "framework/proxy/analysis/BitReader.h"
#include "framework/proxy/analysis/Ratio.h"
#include "framework/proxy/analysis/StartCodeScanner.h"

namespace zeb::analysis {
namespace {

TEST(BitReaderTest, FailsRatherThanReadPastTheEnd) {
  const std::vector<uint8_t> thirtyOneZeros = {0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFE};
  uint32_t value = 99;
  ASSERT_TRUE(BitReader(thirtyOneZeros).ReadUe(&value));
  EXPECT_EQ(value, 0xFFFFFFFEu) << "the longest code";
  const std::vector<uint8_t> thirtyTwoZeros = {0, 0, 0, 0, 0xFF};
  value = 99;
  EXPECT_FALSE(BitReader(thirtyTwoZeros).ReadUe(&value)) << "a prefix over 31 zeros";
  const std::vector<uint8_t> truncated = {0x00, 0x01};  // 15 zeros, 1, then too few bits
  EXPECT_FALSE(BitReader(truncated).ReadUe(&value));
  const std::vector<uint8_t> one = {0xAB};
  BitReader reader(one);
  EXPECT_FALSE(reader.ReadBits(9, &value));
  EXPECT_EQ(value, 99u) << "a failed read leaves the value";
  EXPECT_FALSE(reader.ReadBits(33, &value));
  EXPECT_FALSE(BitReader({}).SkipBits(1));
}

TEST(BitReaderTest, DropsEmulationPreventionBytesOnlyWhenAsked) {
  // Escaped forms of 00 00 01, 00 00 03, 00 00 00 03: after a dropped byte the
  // count of zeros starts again.
  const std::vector<uint8_t> escaped = {0x00, 0x00, 0x03, 0x01, 0x00, 0x00, 0x03,
                                        0x03, 0x00, 0x00, 0x03, 0x00, 0x03};
  const struct {
    BitReader::Escaping escaping;
    std::vector<uint32_t> bytes;
  } cases[] = {
      {BitReader::Escaping::kH264, {0x00, 0x00, 0x01, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x03}},
      {BitReader::Escaping::kNone,
       {0x00, 0x00, 0x03, 0x01, 0x00, 0x00, 0x03, 0x03, 0x00, 0x00, 0x03, 0x00, 0x03}},
  };
  for (const auto& c : cases) {
    BitReader reader(escaped, c.escaping);
    for (uint32_t expected : c.bytes) {
      uint32_t byte = 0;
      ASSERT_TRUE(reader.ReadBits(8, &byte));
      EXPECT_EQ(byte, expected);
    }
    uint32_t beyond = 0;
    EXPECT_FALSE(reader.ReadBits(1, &beyond));
  }
}

TEST(StartCodeScannerTest, SplitsAtEveryStartCode) {
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    std::vector<std::vector<uint8_t>> units;
  } cases[] = {
      {"LeadingBytesSkipped", {0xFF, 0, 0, 1, 0xB3, 7, 0, 0, 1, 0xB5}, {{0xB3, 7}, {0xB5}}},
      {"FourByteStartCodeKeepsItsZero",
       {0, 0, 0, 1, 0x67, 1, 0, 0, 0, 1, 0x68},
       {{0x67, 1, 0}, {0x68}}},
      {"EmptyUnitsSkipped", {0, 0, 1, 0, 0, 1, 0x09}, {{0x09}}},
      {"StartCodeAtTheEnd", {0, 0, 1, 0x41, 0, 0, 1}, {{0x41}}},
      {"NoStartCode", {0, 1, 0, 0, 2, 1}, {}},
      {"ZeroOneInsideAUnit", {0, 0, 1, 0xB3, 0, 1, 0, 1}, {{0xB3, 0, 1, 0, 1}}},
  };
  for (const auto& c : cases) {
    StartCodeScanner scanner(c.bytes);
    std::vector<std::vector<uint8_t>> units;
    while (const auto unit = scanner.Next()) units.emplace_back(unit->begin(), unit->end());
    EXPECT_EQ(units, c.units) << c.name;
  }
}

TEST(RatioTest, LowestTermsAndClosestWithinALimit) {
  const struct {
    uint64_t num;
    uint64_t den;
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
