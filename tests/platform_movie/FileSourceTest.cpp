// Gathered reads hand back the ranges' bytes back to back, whether they are
// read together (gaps thrown away) or one by one, and fail as single reads do.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/movie/FileSource.h"
#include "tests/support/MovieWriting.h"

namespace zeb::movie::test {
namespace {

constexpr uint64_t kFileSize = 300 * 1024;

uint8_t ByteAt(uint64_t offset) { return static_cast<uint8_t>((offset * 7 + offset / 251) % 253); }

struct RangesCase {
  const char* name;
  std::vector<ByteRange> ranges;
  StatusCode expected;
};

// Every 600 bytes a 500-byte range: more ranges than one call takes.
std::vector<ByteRange> ManyCloseRanges() {
  std::vector<ByteRange> ranges;
  for (uint64_t offset = 0; offset + 500 <= kFileSize; offset += 600)
    ranges.push_back({offset, 500});
  return ranges;
}

TEST(FileSource, ReadRangesGivesTheRangesBackToBack) {
  const std::string path = OutputPath("file_source_ranges.bin");
  Bytes content(kFileSize);
  for (uint64_t i = 0; i < kFileSize; ++i) content[i] = ByteAt(i);
  zeb::test::WriteFile(path, content);
  std::unique_ptr<FileSource> source;
  ASSERT_TRUE(FileSource::Open(path, source).IsOk());

  const RangesCase cases[] = {
      {"OneRange", {{10, 100}}, StatusCode::kOk},
      {"Adjacent", {{0, 100}, {100, 50}, {150, 1}}, StatusCode::kOk},
      {"SmallGaps", {{0, 100}, {4196, 5000}, {9200, 3}, {70000, 10}}, StatusCode::kOk},
      {"GapLargerThanOneRead", {{0, 10}, {200000, 10}, {200020, 10}}, StatusCode::kOk},
      {"BackwardsAndOverlapping", {{5000, 100}, {100, 10}, {105, 20}, {50, 1}}, StatusCode::kOk},
      {"ManyCloseRanges", ManyCloseRanges(), StatusCode::kOk},
      {"EndsAtTheEnd", {{kFileSize - 20, 10}, {kFileSize - 5, 5}}, StatusCode::kOk},
      {"PassesTheEnd", {{0, 10}, {kFileSize - 5, 10}}, StatusCode::kTruncated},
      {"StartsPastTheEnd", {{0, 10}, {kFileSize + 10, 1}}, StatusCode::kTruncated},
  };
  for (const RangesCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes expected;
    for (const ByteRange& range : c.ranges) {
      for (uint64_t i = 0; i < range.size; ++i) expected.push_back(ByteAt(range.offset + i));
    }
    Bytes out(expected.size(), 0xAA);
    const Status status = source->ReadRanges(c.ranges, out);
    EXPECT_EQ(status.Code(), c.expected) << status.Message();
    if (c.expected == StatusCode::kOk) {
      EXPECT_EQ(out, expected);
    }
  }

  Bytes tooSmall(99);
  EXPECT_EQ(source->ReadRanges(std::vector<ByteRange>{{0, 50}, {60, 50}}, tooSmall).Code(),
            StatusCode::kOutOfRange);
}

}  // namespace
}  // namespace zeb::movie::test
