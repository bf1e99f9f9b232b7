// The reader's own fix-ups: IMX KLV unwrapping of delivered frames, and the
// DNxHD variant table.
#include <gtest/gtest.h>

#include <vector>

#include "reader/DnxhdVariant.h"
#include "reader/ImxUnwrap.h"
#include "tests/support/MovieBytes.h"

namespace {

using zeb::movie::test::Bytes;
using zeb::movie::test::Concat;

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
    const uint32_t out = UnwrapImxFrame(c.nominal, frame, uint32_t(c.frame.size()));
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
      // One row for each shape of the table: a rate choosing the sub-type,
      // 1080 interlaced and progressive, 720, a halved rate, refused ids, no rate.
      {218, 25, 1, 0, 1},        {218, 30000, 1001, 0, 5}, {211, 25, 1, 2, 11},
      {228, 60000, 1001, 2, 21}, {228, 50, 1, 2, 31},      {219, 50, 2, 0, 0},
      {212, 25, 1, -1, 0},       {230, 25, 1, -1, 0},      {213, 25, 0, 2, 13},
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
