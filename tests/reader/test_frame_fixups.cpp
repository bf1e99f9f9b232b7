// The in-place rewrites of delivered frames: 'avc1' length prefixes to start
// codes (every length size, key frames with parameter sets, frames that would
// not fit), IMX KLV unwrapping, and the DNxHD variant table.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "reader/AvcStartCodes.h"
#include "reader/DnxhdVariant.h"
#include "reader/ImxUnwrap.h"
#include "tests/platform_movie/MovieBytes.h"

namespace {

using zeb::movie::test::Bytes;
using zeb::movie::test::Concat;

// Builds a length-prefixed sample from NAL payloads.
Bytes Prefixed(uint32_t lengthSize, const std::vector<Bytes>& units) {
  Bytes out;
  for (const Bytes& unit : units) {
    for (uint32_t i = lengthSize; i-- > 0;) out.push_back(uint8_t(unit.size() >> (8 * i)));
    out.insert(out.end(), unit.begin(), unit.end());
  }
  return out;
}

Bytes AnnexB(const std::vector<Bytes>& units) {
  Bytes out;
  for (const Bytes& unit : units) {
    out.insert(out.end(), {0, 0, 0, 1});
    out.insert(out.end(), unit.begin(), unit.end());
  }
  return out;
}

AvcConfigRecord Config(uint32_t lengthSize, Bytes sps, Bytes pps) {
  AvcConfigRecord config;
  config.lengthSizeCode = uint8_t(lengthSize - 1);
  config.sps.push_back(std::move(sps));
  config.pps.push_back(std::move(pps));
  return config;
}

const Bytes kSps(20, 0x67);
const Bytes kPps = {0x68, 0xEE, 0x3C, 0x80};
const Bytes kIdr = {0x65, 0x88, 0x84, 0x00, 0x21};
const Bytes kSei = {0x06, 0x05, 0x01, 0xFF};
const Bytes kSlice = {0x41, 0x9A, 0x02};

struct AvcCase {
  const char* name;
  uint32_t lengthSize;
  bool key;
  std::vector<Bytes> units;
};

TEST(AvcToAnnexB, EveryLengthSizeGrowsToStartCodesAndReportsTheNewSize) {
  const AvcCase cases[] = {
      // A 20-byte SPS and a 4-byte PPS: the key frame grows by 32 bytes.
      {"four byte key frame", 4, true, {kSei, kIdr}},
      {"four byte non-key", 4, false, {kSlice, kSlice}},
      {"two byte key frame", 2, true, {kSei, kIdr, kIdr}},
      {"two byte non-key", 2, false, {kSlice}},
      {"one byte", 1, false, {kSei, kSlice, kSlice}},
      {"three byte key", 3, true, {kIdr}},
      {"empty unit", 2, false, {Bytes{}, kSlice}},
  };
  for (const AvcCase& c : cases) {
    SCOPED_TRACE(c.name);
    const AvcConfigRecord config = Config(c.lengthSize, kSps, kPps);
    Bytes frame = Prefixed(c.lengthSize, c.units);
    const uint32_t size = uint32_t(frame.size());
    Bytes expected = c.key ? AnnexB({kSps, kPps}) : Bytes{};
    const Bytes body = AnnexB(c.units);
    expected.insert(expected.end(), body.begin(), body.end());
    frame.resize(expected.size() + 7, 0xCC);  // room, and a guard beyond it

    const auto grown =
        ConvertAvcToAnnexB(config, c.key, frame.data(), size, uint32_t(expected.size()));
    ASSERT_TRUE(grown.has_value());
    EXPECT_EQ(*grown, expected.size());
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + *grown), expected);
    EXPECT_EQ(Bytes(frame.end() - 7, frame.end()), Bytes(7, 0xCC));
  }
}

// A sample that would not fit its buffer is refused and left unchanged.
TEST(AvcToAnnexB, MalformedOrOversizedSamplesStayInsideTheBuffer) {
  struct Case {
    const char* name;
    uint32_t lengthSize;
    Bytes frame;
    Bytes expected;  // empty: refused
  };
  const Case cases[] = {
      {"length past the end keeps what exists",
       4,
       {0, 0, 0, 9, 0x41, 0x42},
       {0, 0, 0, 1, 0x41, 0x42}},
      {"trailing bytes shorter than a length",
       4,
       {0, 0, 0, 1, 0x41, 0xAA, 0xBB},
       {0, 0, 0, 1, 0x41, 0xAA, 0xBB}},
      {"huge two-byte length", 2, {0xFF, 0xFF, 0x41}, {0, 0, 0, 1, 0x41}},
      {"single byte frame", 2, {0x41}, {0x41}},
      {"one byte short of room", 2, Prefixed(2, {kSlice, kSlice}), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes frame = c.frame;
    // Two units of a refused frame grow by two bytes each: one byte short.
    frame.resize(c.expected.empty() ? c.frame.size() + 3 : c.expected.size(), 0xCC);
    const auto grown = ConvertAvcToAnnexB(Config(c.lengthSize, kSps, kPps), false, frame.data(),
                                          uint32_t(c.frame.size()), uint32_t(frame.size()));
    if (c.expected.empty()) {
      EXPECT_FALSE(grown.has_value());
      EXPECT_EQ(Bytes(frame.begin(), frame.begin() + long(c.frame.size())), c.frame);
      continue;
    }
    ASSERT_TRUE(grown.has_value());
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + *grown), c.expected);
  }
}

// A KLV-wrapped payload moves to the front and is padded with zeros to the
// nominal size; lying lengths and small buffers never overrun.
TEST(ImxUnwrap, PayloadMovesToTheFrontAndIsPaddedToTheNominalSize) {
  const Bytes key = {0x06, 0x0E, 0x2B, 0x34, 0x01, 0x02, 0x01, 0x01,
                     0x0D, 0x01, 0x03, 0x01, 0x05, 0x01, 0x01, 0x7F};
  Bytes payload(240000);
  for (uint32_t i = 0; i < payload.size(); ++i) payload[i] = uint8_t(i * 7 + 1);
  Bytes padded = payload;
  padded.resize(250000, 0);
  const Bytes lying =
      Concat({key, {0x88}, Bytes(8, 0xFF), {1, 2, 3}});  // eight length bytes, all ones
  Bytes lyingOut = {1, 2, 3};
  lyingOut.resize(40, 0);
  struct Case {
    const char* name;
    Bytes frame;
    uint32_t nominal, room;
    Bytes expected;
  };
  const Case cases[] = {
      {"BER length 240000", Concat({key, {0x83, 0x03, 0xA9, 0x80}, payload}), 250000, 300000,
       padded},
      {"no KLV key: unchanged", Bytes(1000, 0x11), 250000, 1000, Bytes(1000, 0x11)},
      {"lying length", lying, 40, 64, lyingOut},
      {"nominal size beyond the buffer: unchanged", lying, 250000, uint32_t(lying.size()), lying},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes frame = c.frame;
    frame.resize(c.room, 0xEE);
    const uint32_t out = UnwrapImxFrame(c.nominal, frame.data(), uint32_t(c.frame.size()), c.room);
    ASSERT_EQ(out, c.expected.size());
    EXPECT_TRUE(Bytes(frame.begin(), frame.begin() + out) == c.expected);
  }
}

TEST(DnxhdVariant, CompressionIdAndFrameRateChooseFieldOrderAndSubType) {
  struct Case {
    uint8_t id;
    uint32_t num, den;
    int fieldOrder;  // -1: refused
    uint32_t subType;
  };
  const Case cases[] = {
      {218, 25, 1, 0, 1},        {218, 30000, 1001, 0, 5},  {211, 25, 1, 2, 11},
      {211, 24, 1, 2, 19},       {211, 30, 1, 2, 15},       {228, 60000, 1001, 2, 21},
      {228, 24000, 1001, 2, 24}, {228, 30, 1, 2, 27},       {228, 50, 1, 2, 31},
      {228, 25, 1, 2, 29},       {226, 60000, 1001, 2, 22}, {227, 50, 1, 2, 30},
      {219, 50, 2, 0, 0},        {220, 30, 1, 0, 7},        {229, 24, 1, 2, 18},
      {212, 25, 1, -1, 0},       {210, 25, 1, -1, 0},       {230, 25, 1, -1, 0},
      {213, 25, 0, 2, 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.id) << " at " << c.num << "/" << c.den);
    const auto variant = FindDnxhdVariant(c.id, c.num, c.den);
    if (c.fieldOrder < 0) {
      EXPECT_FALSE(variant.has_value());
      continue;
    }
    ASSERT_TRUE(variant.has_value());
    EXPECT_EQ(variant->fieldOrder, uint32_t(c.fieldOrder));
    EXPECT_EQ(variant->subType, c.subType);
  }
}

}  // namespace
