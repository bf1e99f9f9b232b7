// Video frames through the ordinal table, in direct read mode: the key-frame
// walks and peeks, and read-ahead switched on and off in the middle of the
// stream.
#include <gtest/gtest.h>

#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/Sha256.h"

namespace zeb::test {
namespace {

class ReaderFrames : public testing::Test {
 protected:
  TestPlugin plugin_;
};

TEST_F(ReaderFrames, KeyFrameWalksAndPeeksKeepTheirPlace) {
  const std::string path = Fixture("avc1_bframes.mov");
  const auto packets = ProbeFile(path, {"-ignore_editlist", "1"}).PacketsOf(0);
  std::vector<uint32_t> keys;
  for (uint32_t i = 0; i < packets.size(); ++i) {
    if (packets[i].key) keys.push_back(i);
  }
  ASSERT_GE(keys.size(), 2u);
  HostReader reader(plugin_);
  ASSERT_EQ(reader.Open(path), 0u);
  const uint32_t last = uint32_t(packets.size() - 1);
  uint8_t* frame = nullptr;
  SPlugFrameInfo info = NewFrameInfo();

  // The reader's rule: the nearest key frame at or before the request whose
  // display position is not after it; frame 0 when there is none.
  const auto expectedWalk = [&](uint32_t from) -> uint64_t {
    for (uint32_t k = from; k > 0; --k) {
      const int64_t offset = (packets[k].pts - packets[k].dts) / packets[k].duration;
      if (packets[k].key && int64_t(k) + offset <= int64_t(from)) return k;
    }
    return 0;
  };
  for (const uint32_t from : {keys[1] + 3, keys[1] - 1, keys[1], 0u, last}) {
    SCOPED_TRACE(from);
    ASSERT_EQ(reader.ReadKeyFrameBefore(from, &frame, &info), 0u);
    EXPECT_EQ(info.decodePosition, expectedWalk(from));
    EXPECT_TRUE(info.frameType == 1 || info.frameType == 9 || info.decodePosition == 0);
    // The walk moved the current position to just after the key frame.
    SPlugFrameInfo current = NewFrameInfo();
    ASSERT_EQ(reader.ReadCurrentInfo(&current), 0u);
    EXPECT_EQ(current.decodePosition, expectedWalk(from) + 1);
  }

  ASSERT_EQ(reader.ReadShared(5, &frame, &info), 0u);
  ASSERT_EQ(reader.PeekKeyFrameBefore(keys[1] + 3, &info), 0u);
  EXPECT_EQ(info.decodePosition, expectedWalk(keys[1] + 3));
  ASSERT_EQ(reader.PeekNextReference(keys[1], &info), 0u);
  EXPECT_TRUE(info.frameType == 1 || info.frameType == 2 || info.frameType == 9);
  EXPECT_GT(info.decodePosition, keys[1]);
  EXPECT_EQ(reader.PeekNextReference(last, &info), 0x80000006u);
  // Peeks leave the position after frame 5.
  ASSERT_EQ(reader.ReadCurrent(&frame, &info), 0u);
  EXPECT_EQ(info.decodePosition, 6u);
  ASSERT_EQ(reader.ReadShared(last, &frame, &info), 0u);
  EXPECT_EQ(info.streamState, 2u);
  EXPECT_EQ(reader.ReadCurrentInfo(&info), 0x80000006u);
}

// Read-ahead goes on, changes size and goes off while frames are read, in
// order and out of order; every frame stays the file's.
TEST_F(ReaderFrames, DirectReadAheadToggledMidStream) {
  const std::string path = Fixture("uyvy_2vuy.mov");
  const auto packets = ProbeFile(path).PacketsOf(0);
  HostReader reader(plugin_);
  ASSERT_EQ(reader.Open(path), 0u);
  struct Step {
    bool on;
    uint32_t size;
    uint32_t from, count, stride;
  };
  const uint32_t n = uint32_t(packets.size());
  const Step steps[] = {
      {false, 0, 0, n / 3, 1},           {true, 0x100000, n / 3, n / 3, 1},
      {true, 100, 0, n, 3},              {true, 0x180000, n - 1, n, n - 1},
      {false, 0, 1, n - 1, 2},           {true, 0x400000, 0, n, 1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "read-ahead " << step.on << " size " << step.size);
    ASSERT_EQ(reader.SetReadAhead(step.on, step.size), 0u);
    for (uint32_t k = 0; k < step.count; ++k) {
      const uint32_t i = (step.from + k * step.stride) % n;
      uint8_t* frame = nullptr;
      SPlugFrameInfo info = NewFrameInfo();
      ASSERT_EQ(reader.ReadShared(i, &frame, &info), 0u) << i;
      ASSERT_EQ(Sha256Hex({frame, info.dataSize}), packets[i].sha256) << i;
    }
  }
}

}  // namespace
}  // namespace zeb::test
