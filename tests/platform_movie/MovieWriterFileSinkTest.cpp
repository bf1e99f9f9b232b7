// The output file reads back exactly as appended, whether bytes went through
// the buffer, straight to the file, into holes or were patched afterwards.
// That the holes take no disk is MovieWriterLargeFileTest's check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/movie/FileSink.h"
#include "tests/support/MovieWriting.h"

namespace zeb::movie::test {
namespace {

constexpr size_t kBlock = FileSink::kHoleBlock;
constexpr size_t kBuffer = FileSink::kBufferBytes;

struct Piece {
  size_t size;
  uint8_t fill;  // 0 makes zero runs that may become holes
};

struct SinkCase {
  const char* name;
  std::vector<Piece> appends;
  uint64_t patchAt;  // where 4 bytes 0xEE are overwritten; ~0 for none
};

Bytes Expected(const SinkCase& c) {
  Bytes bytes;
  for (const Piece& piece : c.appends) bytes.insert(bytes.end(), piece.size, piece.fill);
  if (c.patchAt != ~uint64_t{0}) std::fill_n(bytes.begin() + static_cast<long>(c.patchAt), 4, 0xEE);
  return bytes;
}

TEST(MovieWriterFileSink, ReadsBackAsAppended) {
  const SinkCase cases[] = {
      {"SmallBufferedPieces", {{3, 1}, {5, 2}, {0, 3}, {7, 4}}, ~uint64_t{0}},
      {"ZeroBlockBetweenDataIsAHole", {{kBlock, 1}, {4 * kBlock, 0}, {10, 2}}, ~uint64_t{0}},
      {"TrailingZerosKeepTheLength", {{kBlock, 1}, {3 * kBuffer, 0}}, ~uint64_t{0}},
      {"UnalignedZerosKeepTheirPartialBlocks",
       {{kBlock / 2 + 3, 1}, {3 * kBlock, 0}, {1, 9}},
       ~uint64_t{0}},
      {"ShortZeroRunsAreWritten", {{5, 1}, {kBlock - 1, 0}, {5, 2}}, ~uint64_t{0}},
      {"LargeAppendBypassesTheBuffer", {{100, 1}, {2 * kBuffer + 17, 5}, {100, 6}}, ~uint64_t{0}},
      {"PatchInsideTheBuffer", {{16, 1}, {16, 2}}, 20},
      {"PatchOfFlushedBytes", {{kBuffer + 100, 3}, {50, 4}}, 8},
      {"PatchAcrossFlushedAndBuffered",
       {{kBuffer - 2, 3}, {kBuffer - 10, 4}, {40, 5}},
       kBuffer - 4},
      {"PatchOverAHole", {{kBlock, 1}, {2 * kBlock, 0}, {8, 1}}, kBlock + 100},
  };
  const std::string path = OutputPath("sink.bin");
  for (const SinkCase& c : cases) {
    SCOPED_TRACE(c.name);
    FileSink sink;
    ASSERT_TRUE(sink.Open(path).IsOk());
    for (const Piece& piece : c.appends) {
      const Bytes bytes(piece.size, piece.fill);
      ASSERT_TRUE(sink.Append(bytes).IsOk());
    }
    if (c.patchAt != ~uint64_t{0}) {
      ASSERT_TRUE(sink.Overwrite(c.patchAt, Bytes(4, 0xEE)).IsOk());
    }
    const Bytes expected = Expected(c);
    EXPECT_EQ(sink.Position(), expected.size());
    ASSERT_TRUE(sink.Close().IsOk());
    EXPECT_TRUE(ReadFile(path) == expected);
  }
}

TEST(MovieWriterFileSink, MisuseAndEarlyDestruction) {
  FileSink sink;
  EXPECT_EQ(sink.Append(Bytes(4, 1)).Code(), StatusCode::kInvalid);  // not open
  ASSERT_TRUE(sink.Open(OutputPath("refuse.bin")).IsOk());
  ASSERT_TRUE(sink.Append(Bytes(10, 1)).IsOk());
  EXPECT_EQ(sink.Overwrite(8, Bytes(4, 2)).Code(), StatusCode::kOutOfRange);
  EXPECT_EQ(sink.Overwrite(11, Bytes{}).Code(), StatusCode::kOutOfRange);
  EXPECT_TRUE(sink.Close().IsOk());
  EXPECT_EQ(ReadFile(OutputPath("refuse.bin")), Bytes(10, 1));

  // A sink destroyed without Close() still writes what it buffered.
  {
    FileSink dropped;
    ASSERT_TRUE(dropped.Open(OutputPath("dropped.bin")).IsOk());
    ASSERT_TRUE(dropped.Append(Bytes(10, 3)).IsOk());
  }
  EXPECT_EQ(ReadFile(OutputPath("dropped.bin")), Bytes(10, 3));
}

}  // namespace
}  // namespace zeb::movie::test
