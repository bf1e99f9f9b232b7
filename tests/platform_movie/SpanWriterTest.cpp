// The checked writer of in-place rewrites: every put that would pass the
// end fails and leaves bytes and cursor as they were; overlapping moves go
// either way; native and offset reads of ByteReader beside it.
#include <gtest/gtest.h>

#include <functional>

#include "platform/movie/ByteReader.h"
#include "platform/movie/SpanWriter.h"
#include "tests/support/MovieBytes.h"

namespace zeb::movie {
namespace {

using test::Bytes;

TEST(SpanWriter, PutsStayInsideTheCallersBytes) {
  struct Case {
    const char* name;
    std::function<Status(SpanWriter&)> put;
    bool ok;
    Bytes expected;  // of the 6 bytes 1 2 3 4 5 6, cursor at 2
  };
  const Case cases[] = {
      {"big-endian 32",
       [](SpanWriter& w) { return w.PutU32(0xA1A2A3A4); },
       true,
       {1, 2, 0xA1, 0xA2, 0xA3, 0xA4}},
      {"three-byte length",
       [](SpanWriter& w) { return w.PutBigEndian(3, 0x010203); },
       true,
       {1, 2, 1, 2, 3, 6}},
      {"past the end",
       [](SpanWriter& w) { return w.PutBigEndian(5, 0); },
       false,
       {1, 2, 3, 4, 5, 6}},
      {"zeros past the end",
       [](SpanWriter& w) { return w.PutZeros(5); },
       false,
       {1, 2, 3, 4, 5, 6}},
      {"move up, overlapping",
       [](SpanWriter& w) { return w.Move(0, 4); },
       true,
       {1, 2, 1, 2, 3, 4}},
      {"move down, overlapping",
       [](SpanWriter& w) {
         ZEB_MOVIE_TRY(w.Seek(0));
         return w.Move(2, 4);
       },
       true,
       {3, 4, 5, 6, 5, 6}},
      {"move from outside", [](SpanWriter& w) { return w.Move(4, 3); }, false, {1, 2, 3, 4, 5, 6}},
      {"seek past the end", [](SpanWriter& w) { return w.Seek(7); }, false, {1, 2, 3, 4, 5, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = {1, 2, 3, 4, 5, 6};
    SpanWriter writer(bytes);
    ASSERT_TRUE(writer.Seek(2).IsOk());
    EXPECT_EQ(c.put(writer).IsOk(), c.ok);
    EXPECT_EQ(bytes, c.expected);
    if (!c.ok) {
      EXPECT_EQ(writer.Position(), 2u);  // a failed put leaves the cursor
    }
  }
}

TEST(ByteReader, NativeFieldsAtAnOffsetAndWidthsOfBigEndianReads) {
  const Bytes bytes = {0x34, 0x12, 0, 0, 0xAA, 0xBB, 0xCC};
  ByteReader reader(bytes);
  uint16_t native = 0;
  uint32_t wide = 0;
  ASSERT_TRUE(reader.ReadNativeAt(0, native).IsOk());
  EXPECT_EQ(native, 0x1234);  // the test machine is little-endian
  EXPECT_FALSE(reader.ReadNativeAt(4, wide).IsOk());
  EXPECT_FALSE(reader.ReadNativeAt(8, native).IsOk());
  uint64_t value = 0;
  ASSERT_TRUE(reader.Seek(4).IsOk());
  ASSERT_TRUE(reader.ReadBigEndian(3, value).IsOk());
  EXPECT_EQ(value, 0xAABBCCu);
  EXPECT_FALSE(reader.ReadBigEndian(0, value).IsOk());
  EXPECT_FALSE(reader.ReadBigEndian(9, value).IsOk());
  EXPECT_FALSE(reader.Seek(8).IsOk());
  EXPECT_EQ(reader.Position(), 7u);
}

}  // namespace
}  // namespace zeb::movie
