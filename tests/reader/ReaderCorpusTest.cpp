// The real-world corpus: every file either opens or is refused with a result
// code, and every frame and audio block of what opens can be read (or is
// refused) without a crash, a hang or a read outside the buffers. Damaged
// movies are the reader-session fuzz target's (fuzz/ReaderSessionFuzzer.cpp).
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/Fixtures.h"

namespace zeb::test {
namespace {

bool IsResultCode(uint32_t result) { return result == 0 || (result & 0x80000000u) != 0; }

void ReadEveryFrame(HostReader& reader) {
  SPlugStreamInfo info;
  if (reader.VideoInfo(0, &info) != 0) return;
  for (uint32_t i = 0; i < info.frameCount; ++i) {
    uint8_t* frame = nullptr;
    SPlugFrameInfo frameInfo = NewFrameInfo();
    const uint32_t result = reader.ReadShared(i, &frame, &frameInfo);
    ASSERT_TRUE(IsResultCode(result)) << i;
    if (result == 0) {
      ASSERT_LE(frameInfo.dataSize, reader.MaxVideoFrameSize()) << i;
    }
  }
}

void ReadEveryAudioBlock(HostReader& reader) {
  for (uint32_t stream = 0; stream < reader.AudioStreamCount(); ++stream) {
    SPlugStreamInfo info;
    ASSERT_EQ(reader.AudioInfo(stream, &info), 0u);
    // Without video no selection is valid; reads then come from stream 0.
    const uint32_t selected = reader.Select(0, stream);
    ASSERT_EQ(selected, reader.VideoStreamCount() > 0 ? 0u : 0x80000006u);
    const uint32_t block = info.framesPerPacket > 1 ? 16 : 4096;
    for (uint64_t start = 0; start < info.packetCount; start += block) {
      uint8_t* data = nullptr;
      SPlugFrameInfo frameInfo = NewFrameInfo();
      ASSERT_TRUE(IsResultCode(reader.ReadAudioAlt(uint32_t(start), block, &data, &frameInfo)));
      ASSERT_LE(frameInfo.dataSize, info.audio.channels * 384000u);
    }
  }
}

TEST(ReaderCorpus, EveryFileOpensOrIsRefusedAndReadsCleanly) {
  if (!std::filesystem::is_directory(CorpusDir())) GTEST_SKIP() << "no corpus at " << CorpusDir();
  TestPlugin plugin;
  int opened = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusDir())) {
    SCOPED_TRACE(entry.path().filename().string());
    HostReader reader(plugin);
    const uint32_t result = reader.Open(entry.path().string());
    ASSERT_TRUE(IsResultCode(result));
    if (result != 0) continue;
    ++opened;
    // Half the files are read with the file read-ahead on.
    ASSERT_EQ(reader.SetReadAhead(opened % 2 == 0), 0u);
    ReadEveryFrame(reader);
    ReadEveryAudioBlock(reader);
  }
  EXPECT_GT(opened, 0);
}

}  // namespace
}  // namespace zeb::test
