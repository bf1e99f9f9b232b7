// H.264 samples between their two forms: length prefixes of every size to
// start codes in place (key frames with parameter sets, frames that would
// not fit, lengths that lie), start codes back to length prefixes, and the
// start-code scanner under both. That the two agree on any bytes is the avcC
// fuzz target's check.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "media/AnnexB.h"
#include "media/StartCodeScanner.h"
#include "tests/support/MovieBytes.h"

namespace {

using zeb::media::AvcConfigRecord;
using zeb::movie::test::Bytes;

// A length-prefixed sample from NAL payloads.
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

AvcConfigRecord Config(uint32_t lengthSize) {
  AvcConfigRecord config;
  config.lengthSizeCode = uint8_t(lengthSize - 1);
  config.sps.push_back(Bytes(20, 0x67));
  config.pps.push_back({0x68, 0xEE, 0x3C, 0x80});
  return config;
}

const Bytes kIdr = {0x65, 0x88, 0x84, 0x00, 0x21};
const Bytes kSei = {0x06, 0x05, 0x01, 0xFF};
const Bytes kSlice = {0x41, 0x9A, 0x02};

TEST(LengthPrefixedToAnnexB, EveryLengthSizeGrowsToStartCodesAndReportsTheNewSize) {
  struct Case {
    const char* name;
    uint32_t lengthSize;
    bool key;
    std::vector<Bytes> units;
  };
  const Case cases[] = {
      // A 20-byte SPS and a 4-byte PPS: the key frame grows by 32 bytes.
      {"four byte key frame", 4, true, {kSei, kIdr}},
      {"four byte non-key", 4, false, {kSlice, kSlice}},
      {"two byte key frame", 2, true, {kSei, kIdr, kIdr}},
      {"one byte", 1, false, {kSei, kSlice, kSlice}},
      {"three byte key", 3, true, {kIdr}},
      {"empty unit", 2, false, {Bytes{}, kSlice}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AvcConfigRecord config = Config(c.lengthSize);
    Bytes frame = Prefixed(c.lengthSize, c.units);
    const uint32_t size = uint32_t(frame.size());
    Bytes expected = c.key ? AnnexB({config.sps[0], config.pps[0]}) : Bytes{};
    const Bytes body = AnnexB(c.units);
    expected.insert(expected.end(), body.begin(), body.end());
    frame.resize(expected.size() + 7, 0xCC);  // room, and a guard beyond it

    const auto grown = zeb::media::LengthPrefixedToAnnexB(
        config, c.key, std::span(frame).first(expected.size()), size);
    ASSERT_TRUE(grown.has_value());
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + *grown), expected);
    EXPECT_EQ(Bytes(frame.end() - 7, frame.end()), Bytes(7, 0xCC));
  }
}

// A sample that would not fit its buffer is refused and left unchanged.
TEST(LengthPrefixedToAnnexB, MalformedOrOversizedSamplesStayInsideTheBuffer) {
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
    const auto grown = zeb::media::LengthPrefixedToAnnexB(Config(c.lengthSize), false, frame,
                                                          uint32_t(c.frame.size()));
    if (c.expected.empty()) {
      EXPECT_FALSE(grown.has_value());
      EXPECT_EQ(Bytes(frame.begin(), frame.begin() + long(c.frame.size())), c.frame);
      continue;
    }
    ASSERT_TRUE(grown.has_value());
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + *grown), c.expected);
  }
}

TEST(AnnexBToLengthPrefixed, UnitsBetweenStartCodesGetTheirLengths) {
  const Bytes sps = Config(4).sps[0];
  struct Case {
    const char* name;
    Bytes stream;
    uint32_t lengthSize;
    bool dropSets;
    size_t room;
    std::optional<Bytes> expected;  // nothing: refused
  };
  const Case cases[] = {
      {"four-byte start codes", AnnexB({kSei, kIdr}), 4, false, 64, Prefixed(4, {kSei, kIdr})},
      {"three-byte start codes, leading garbage, trailing zeros",
       {0xAB, 0, 0, 1, 0x41, 0x9A, 0, 0, 0, 0, 1, 0x65, 0x88, 0, 0},
       2,
       false,
       64,
       Prefixed(2, {{0x41, 0x9A}, {0x65, 0x88}})},
      {"parameter sets dropped", AnnexB({sps, kIdr}), 4, true, 64, Prefixed(4, {kIdr})},
      {"unit longer than a one-byte length", AnnexB({Bytes(300, 0x41)}), 1, false, 400,
       std::nullopt},
      {"out one byte short", AnnexB({kSei, kIdr}), 4, false, 16, std::nullopt},
      {"no start code: no unit", {0x41, 0x9A, 0x02}, 4, false, 64, Bytes{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes out(c.room, 0xCC);
    const auto written =
        zeb::media::AnnexBToLengthPrefixed(c.stream, c.lengthSize, c.dropSets, out);
    ASSERT_EQ(written.has_value(), c.expected.has_value());
    if (written) {
      EXPECT_EQ(Bytes(out.begin(), out.begin() + long(*written)), *c.expected);
    }
  }
}

// A 300-byte unit's 4-byte length reads 00 00 01 2C: a start code to a
// scanner, yet the sample is length-prefixed; Annex B and broken walks are not.
TEST(IsLengthPrefixed, TellsLengthsThatLookLikeStartCodesFromAnnexB) {
  const Bytes slice300 = [] {
    Bytes unit(300, 0x5A);
    unit[0] = 0x41;
    return unit;
  }();
  const Bytes idr = {0x65, 0x88, 0x80};
  struct Case {
    Bytes sample;
    uint32_t lengthSize;
    bool expected;
  };
  Bytes cut = Prefixed(4, {idr});
  cut.pop_back();
  Bytes forbidden = Prefixed(2, {idr});
  forbidden[2] |= 0x80;
  const Case cases[] = {
      {Prefixed(4, {slice300}), 4, true},
      {Prefixed(4, {idr, slice300}), 4, true},
      {Prefixed(2, {idr}), 2, true},
      {AnnexB({idr, slice300}), 4, false},
      {cut, 4, false},
      {forbidden, 2, false},
      {Bytes{0, 0, 0, 0}, 4, false},
      {Prefixed(4, {idr}), 5, false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(zeb::media::IsLengthPrefixed(cases[i].sample, cases[i].lengthSize), cases[i].expected)
        << "case " << i;
  }
}

}  // namespace
