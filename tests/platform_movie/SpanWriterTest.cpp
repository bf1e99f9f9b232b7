// The checked writer of in-place rewrites: every put that would pass the
// end fails and leaves bytes and cursor as they were; overlapping moves go
// either way.
#include <gtest/gtest.h>

#include "platform/movie/SpanWriter.h"
#include "tests/support/MovieBytes.h"

namespace zeb::movie {
namespace {

using test::Bytes;

// On the bytes 1 2 3 4 5 6 with the cursor at `at`: 'B' puts `a` in `b`
// big-endian bytes, 'Z' puts `a` zeros, 'M' moves `b` bytes from `a` to the
// cursor, 'S' seeks to `a`.
TEST(SpanWriter, PutsStayInsideTheCallersBytes) {
  const Bytes kept = {1, 2, 3, 4, 5, 6};
  const struct {
    const char* name;
    char op;
    uint64_t a, b;
    size_t at;
    bool ok;
    Bytes expected;
  } cases[] = {
      {"big-endian 32", 'B', 0xA1A2A3A4, 4, 2, true, {1, 2, 0xA1, 0xA2, 0xA3, 0xA4}},
      {"three-byte length", 'B', 0x010203, 3, 2, true, {1, 2, 1, 2, 3, 6}},
      {"past the end", 'B', 0, 5, 2, false, kept},
      {"zeros past the end", 'Z', 5, 0, 2, false, kept},
      {"move up, overlapping", 'M', 0, 4, 2, true, {1, 2, 1, 2, 3, 4}},
      {"move down, overlapping", 'M', 2, 4, 0, true, {3, 4, 5, 6, 5, 6}},
      {"move from outside", 'M', 4, 3, 2, false, kept},
      {"seek past the end", 'S', 7, 0, 2, false, kept},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = kept;
    SpanWriter writer(bytes);
    ASSERT_TRUE(writer.Seek(c.at).IsOk());
    const Status status = c.op == 'B'   ? writer.PutBigEndian(c.b, c.a)
                          : c.op == 'Z' ? writer.PutZeros(c.a)
                          : c.op == 'M' ? writer.Move(c.a, c.b)
                                        : writer.Seek(c.a);
    EXPECT_EQ(status.IsOk(), c.ok);
    EXPECT_EQ(bytes, c.expected);
    if (!c.ok) {
      EXPECT_EQ(writer.Position(), c.at);  // a failed put leaves the cursor
    }
  }
}

}  // namespace
}  // namespace zeb::movie
