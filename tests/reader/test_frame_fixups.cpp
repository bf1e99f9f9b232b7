// The in-place rewrites of delivered frames: 'avc1' length prefixes to start
// codes (every length size, key frames with parameter sets, frames that would
// not fit), IMX KLV unwrapping, and the DNxHD variant table.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "reader/AvcStartCodes.h"
#include "reader/DnxhdVariant.h"
#include "reader/FourCC.h"
#include "reader/ImxUnwrap.h"

namespace {

using Bytes = std::vector<uint8_t>;

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

    const auto grown = ConvertAvcToAnnexB(config, c.key, frame.data(), size,
                                          uint32_t(expected.size()));
    ASSERT_TRUE(grown.has_value());
    EXPECT_EQ(*grown, expected.size());
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + *grown), expected);
    EXPECT_EQ(Bytes(frame.end() - 7, frame.end()), Bytes(7, 0xCC));
  }
}

TEST(AvcToAnnexB, MalformedSamplesStayInsideTheBuffer) {
  struct Case {
    const char* name;
    uint32_t lengthSize;
    Bytes frame;
    Bytes expected;
  };
  const Case cases[] = {
      {"length past the end keeps what exists", 4, {0, 0, 0, 9, 0x41, 0x42},
       {0, 0, 0, 1, 0x41, 0x42}},
      {"trailing bytes shorter than a length", 4, {0, 0, 0, 1, 0x41, 0xAA, 0xBB},
       {0, 0, 0, 1, 0x41, 0xAA, 0xBB}},
      {"huge two-byte length", 2, {0xFF, 0xFF, 0x41}, {0, 0, 0, 1, 0x41}},
      {"single byte frame", 2, {0x41}, {0x41}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AvcConfigRecord config = Config(c.lengthSize, kSps, kPps);
    Bytes frame = c.frame;
    frame.resize(c.expected.size());
    const auto grown = ConvertAvcToAnnexB(config, false, frame.data(), uint32_t(c.frame.size()),
                                          uint32_t(frame.size()));
    ASSERT_TRUE(grown.has_value());
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + *grown), c.expected);
  }
}

TEST(AvcToAnnexB, FrameThatWouldNotFitIsRefusedAndLeftUnchanged) {
  const AvcConfigRecord config = Config(2, kSps, kPps);
  const Bytes original = Prefixed(2, {kSlice, kSlice});
  Bytes frame = original;
  // Two units grow by two bytes each: one byte short.
  frame.resize(original.size() + 3, 0xCC);
  EXPECT_FALSE(ConvertAvcToAnnexB(config, false, frame.data(), uint32_t(original.size()),
                                  uint32_t(frame.size()))
                   .has_value());
  EXPECT_EQ(Bytes(frame.begin(), frame.begin() + original.size()), original);
}

TEST(ImxUnwrap, PayloadMovesToTheFrontAndIsPaddedToTheNominalSize) {
  struct Case {
    const char* name;
    uint32_t fourcc;
    uint32_t nominal;
  };
  const Case sizes[] = {{"mx5p", FourCC("mx5p"), 250000}, {"mx5n", FourCC("mx5n"), 208540},
                        {"mx4p", FourCC("mx4p"), 200000}, {"mx4n", FourCC("mx4n"), 166832},
                        {"mx3p", FourCC("mx3p"), 150000}, {"mx3n", FourCC("mx3n"), 125124}};
  for (const Case& c : sizes) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ImxNominalFrameSize(c.fourcc), c.nominal);
  }
  EXPECT_FALSE(ImxNominalFrameSize(FourCC("mpeg")).has_value());

  const Bytes key = {0x06, 0x0E, 0x2B, 0x34, 0x01, 0x02, 0x01, 0x01,
                     0x0D, 0x01, 0x03, 0x01, 0x05, 0x01, 0x01, 0x7F};
  const uint32_t payload = 240000;
  Bytes frame = key;
  frame.insert(frame.end(), {0x83, 0x03, 0xA9, 0x80});  // BER length 240000
  for (uint32_t i = 0; i < payload; ++i) frame.push_back(uint8_t(i * 7 + 1));
  const uint32_t size = uint32_t(frame.size());
  frame.resize(300000, 0xEE);

  const uint32_t out = UnwrapImxFrame(250000, frame.data(), size, uint32_t(frame.size()));
  EXPECT_EQ(out, 250000u);
  for (uint32_t i = 0; i < payload; i += 997) ASSERT_EQ(frame[i], uint8_t(i * 7 + 1)) << i;
  EXPECT_EQ(frame[payload - 1], uint8_t((payload - 1) * 7 + 1));
  EXPECT_EQ(Bytes(frame.begin() + payload, frame.begin() + 250000), Bytes(10000, 0));

  Bytes plain(1000, 0x11);
  EXPECT_EQ(UnwrapImxFrame(250000, plain.data(), 1000, uint32_t(plain.size())), 1000u);
  EXPECT_EQ(plain, Bytes(1000, 0x11));
}

TEST(ImxUnwrap, LyingLengthsAndSmallBuffersNeverOverrun) {
  Bytes frame = {0x06, 0x0E, 0x2B, 0x34, 0x01, 0x02, 0x01, 0x01,
                 0x0D, 0x01, 0x03, 0x01, 0x05, 0x01, 0x01, 0x00, 0x88};
  frame.insert(frame.end(), 8, 0xFF);  // eight length bytes, all ones
  frame.insert(frame.end(), {1, 2, 3});
  Bytes room = frame;
  room.resize(64, 0xEE);
  EXPECT_EQ(UnwrapImxFrame(40, room.data(), uint32_t(frame.size()), uint32_t(room.size())), 40u);
  EXPECT_EQ(Bytes(room.begin(), room.begin() + 4), (Bytes{1, 2, 3, 0}));
  // A nominal size beyond the buffer leaves the frame alone.
  Bytes small = frame;
  EXPECT_EQ(UnwrapImxFrame(250000, small.data(), uint32_t(small.size()), uint32_t(small.size())),
            small.size());
  EXPECT_EQ(small, frame);
}

TEST(DnxhdVariant, CompressionIdAndFrameRateChooseFieldOrderAndSubType) {
  struct Case {
    uint8_t id;
    uint32_t num, den;
    int fieldOrder;  // -1: refused
    uint32_t subType;
  };
  const Case cases[] = {
      {218, 25, 1, 0, 1},         {218, 30000, 1001, 0, 5},   {211, 25, 1, 2, 11},
      {211, 24, 1, 2, 19},        {211, 30, 1, 2, 15},        {228, 60000, 1001, 2, 21},
      {228, 24000, 1001, 2, 24},  {228, 30, 1, 2, 27},        {228, 50, 1, 2, 31},
      {228, 25, 1, 2, 29},        {226, 60000, 1001, 2, 22},  {227, 50, 1, 2, 30},
      {219, 50, 2, 0, 0},         {220, 30, 1, 0, 7},         {229, 24, 1, 2, 18},
      {212, 25, 1, -1, 0},        {210, 25, 1, -1, 0},        {230, 25, 1, -1, 0},
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
