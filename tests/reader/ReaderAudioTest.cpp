// Audio blocks through the ordinal table against ffmpeg's own decode of the
// same tracks: every PCM code of the sound description with its byte-order
// rule, merged tracks interleaved, tracks that stay apart, compressed packets.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/Sha256.h"

namespace zeb::test {
namespace {

struct PcmCase {
  const char* fixture;
  const char* decodeFormat;  // ffmpeg's raw format of what the reader delivers
  const char* mapping;       // ffmpeg's stream selection for the reference
  uint32_t audioStream;      // the stream the reader selects
  uint32_t block;            // packets a read
};

// The reader's audio for `stream`, read front to back in blocks.
std::vector<uint8_t> ReadAllAudio(HostReader& reader, uint32_t stream, uint32_t block,
                                  bool callerBuffer, size_t frameBytes) {
  SPlugStreamInfo record;
  EXPECT_EQ(reader.AudioInfo(stream, &record), 0u);
  const uint32_t packets = record.packetCount;
  std::vector<uint8_t> all;
  std::vector<uint8_t> own(record.audio.channels * 384000);
  for (uint32_t start = 0; start < packets; start += block) {
    SPlugFrameInfo info = NewFrameInfo();
    uint8_t* data = own.data();
    const uint32_t result = callerBuffer ? reader.ReadAudio(start, block, data, &info)
                                         : reader.ReadAudioAlt(start, block, &data, &info);
    EXPECT_EQ(result, 0u) << start;
    EXPECT_EQ(info.streamType, 2u);
    EXPECT_EQ(info.decodePosition, start);
    EXPECT_EQ(info.presentationPosition, start);
    EXPECT_EQ(info.unitCount, std::min(block, packets - start));
    EXPECT_EQ(info.dataSize, info.unitCount * frameBytes);
    EXPECT_EQ(info.streamState, start + block >= packets ? 2u : 1u);
    EXPECT_EQ(info.privateKind, 7u);
    all.insert(all.end(), data, data + info.dataSize);
  }
  return all;
}

class ReaderAudio : public testing::Test {
 protected:
  TestPlugin plugin_;
};

TEST_F(ReaderAudio, PcmBlocksMatchFfmpegsDecode) {
  const PcmCase cases[] = {
      {"pcm_twos.mov", "s16le", "-map 0:a:0", 0, 1000},
      {"pcm_sowt.mov", "s16le", "-map 0:a:0", 0, 4410},
      {"pcm_in24_be.mov", "s24le", "-map 0:a:0", 0, 777},
      {"pcm_in24_le.mov", "s24le", "-map 0:a:0", 0, 1000},
      {"pcm_in32.mov", "s32le", "-map 0:a:0", 0, 1000},
      {"pcm_in32_le.mov", "s32le", "-map 0:a:0", 0, 1000},
      {"pcm_fl32.mov", "f32be", "-map 0:a:0", 0, 1000},
      {"pcm_lpcm_96k.mov", "s24le", "-map 0:a:0", 0, 9600},
      {"pcm_raw_u8.mov", "u8", "-map 0:a:0", 0, 5000},
      {"pcm_mono_tracks.mov", "s16le",
       "-filter_complex '[0:a:0][0:a:1][0:a:2]amerge=inputs=3'", 0, 2048},
      {"mjpeg_pcm_unequal_tracks.mov", "s16le", "-map 0:a:1", 1, 1000},
      {"mjpeg_pcm_mixed_formats.mov", "s16le", "-map 0:a:0", 0, 1000},
      {"mjpeg_pcm_mixed_formats.mov", "s16le", "-map 0:a:1", 1, 1000},
      {"avc1_pcm.mov", "s16le", "-map 0:a:0", 0, 1920},
  };
  for (const PcmCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fixture << " stream " << c.audioStream);
    const std::string path = Fixture(c.fixture);
    const std::vector<uint8_t> expected = CommandOutput(
        "ffmpeg -v error -i " + Quoted(path) + " " + c.mapping + " -f " + c.decodeFormat + " -");
    ASSERT_FALSE(expected.empty());
    for (const bool callerBuffer : {false, true}) {
      HostReader reader(plugin_);
      ASSERT_EQ(reader.Open(path), 0u);
      // Without video no selection is valid and reads come from stream 0.
      if (c.audioStream != 0) {
        ASSERT_EQ(reader.Select(0, c.audioStream), 0u);
      }
      SPlugStreamInfo record;
      ASSERT_EQ(reader.AudioInfo(c.audioStream, &record), 0u);
      const size_t packets = record.packetCount;
      const std::vector<uint8_t> delivered = ReadAllAudio(reader, c.audioStream, c.block, callerBuffer, expected.size() / packets);
      ASSERT_EQ(delivered.size(), expected.size());
      EXPECT_TRUE(delivered == expected);
    }
  }
}

// Packets of a compressed format come as stored, one media sample each.
TEST_F(ReaderAudio, AacPacketsAreTheStoredOnes) {
  const std::string path = Fixture("aac.mov");
  const auto packets = ProbeFile(path, {"-ignore_editlist", "1"}).PacketsOf(0);
  HostReader reader(plugin_);
  ASSERT_EQ(reader.Open(path), 0u);
  SPlugStreamInfo record;
  ASSERT_EQ(reader.AudioInfo(0, &record), 0u);
  ASSERT_EQ(record.packetCount, packets.size());
  for (uint32_t i = 0; i < packets.size(); ++i) {
    uint8_t* data = nullptr;
    SPlugFrameInfo info = NewFrameInfo();
    ASSERT_EQ(reader.ReadAudioAlt(i, 1, &data, &info), 0u);
    EXPECT_EQ(info.unitCount, 1u);
    EXPECT_EQ(Sha256Hex({data, info.dataSize}), packets[i].sha256) << i;
  }
  // Three packets at once are the three stored back to back.
  uint8_t* data = nullptr;
  SPlugFrameInfo info = NewFrameInfo();
  ASSERT_EQ(reader.ReadAudioAlt(4, 3, &data, &info), 0u);
  EXPECT_EQ(info.unitCount, 3u);
  EXPECT_EQ(info.dataSize, packets[4].size + packets[5].size + packets[6].size);
}

TEST_F(ReaderAudio, ReadsPastTheEndFailCleanly) {
  HostReader reader(plugin_);
  ASSERT_EQ(reader.Open(Fixture("pcm_twos.mov")), 0u);
  SPlugStreamInfo record;
  ASSERT_EQ(reader.AudioInfo(0, &record), 0u);
  uint8_t* data = nullptr;
  SPlugFrameInfo info = NewFrameInfo();
  // The last 10 packets, asked as 1000: what exists comes back.
  ASSERT_EQ(reader.ReadAudioAlt(record.packetCount - 10, 1000, &data, &info), 0u);
  EXPECT_EQ(info.unitCount, 10u);
  EXPECT_EQ(info.streamState, 2u);
  EXPECT_EQ(reader.ReadAudioAlt(record.packetCount, 10, &data, &info), 0x80000405u);
  EXPECT_EQ(info.dataSize, 0u);
  EXPECT_EQ(reader.ReadAudioAlt(0xFFFFFFF0u, 10, &data, &info), 0x80000405u);
  // A movie without sound has nothing to read.
  ASSERT_EQ(reader.Open(Fixture("prores.mov")), 0u);
  EXPECT_EQ(reader.ReadAudioAlt(0, 10, &data, &info), 0x80000305u);
}

}  // namespace
}  // namespace zeb::test
