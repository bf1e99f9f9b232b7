// Audio records and blocks through the ordinal table against ffprobe's view
// and ffmpeg's own decode of the same tracks: every PCM code of the sound
// description with its byte-order rule, merged tracks interleaved, tracks
// that stay apart, compressed packets.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/AtomWalk.h"
#include "tests/support/Ffprobe.h"

namespace zeb::test {
namespace {

struct PcmCase {
  const char* fixture;
  const char* format;        // of the stream read, after normalisation
  uint32_t bits, channels;   // of the stream read
  uint32_t streams;          // sound streams of the movie
  const char* decodeFormat;  // ffmpeg's raw format of what the reader delivers
  const char* mapping;       // ffmpeg's stream selection for the reference
  uint32_t audioStream;      // the stream the reader selects
  uint32_t block;            // packets a read
  // A plain description of this format and sample size in place of the fixture's own.
  const char* storedAs = nullptr;
  uint8_t storedBits = 0;
};

// A copy of `fixture` whose sound description is a plain version-0 one of
// `format` with samples of `bits`, the channels and rate kept.
std::string WithPlainSoundDescription(const std::string& fixture, const char* format,
                                      uint8_t bits) {
  const std::vector<uint8_t> bytes = ReadFile(Fixture(fixture));
  const std::string text(bytes.begin(), bytes.end());
  const auto entry = bytes.begin() + long(text.find("stsd") + 12);  // after version, flags, count
  std::vector<uint8_t> stsd = {0, 0, 0, 0, 0, 0, 0, 1};
  stsd.insert(stsd.end(), entry, entry + 36);  // the version-0 header
  uint8_t* description = stsd.data() + 8;
  description[3] = 36;                      // entry size
  std::copy_n(format, 4, description + 4);  // data format
  description[17] = 0;                      // version
  description[27] = bits;                   // sample size
  description[28] = description[29] = 0;    // compression id
  return WriteScratchMovie(fixture + "-as-" + format,
                           WithAtomPayload(bytes, "moov/trak/mdia/minf/stbl/stsd", stsd));
}

// The record of the stream read, against ffprobe's fields of that stream.
void ExpectPcmRecord(HostReader& reader, const std::string& path, const PcmCase& c) {
  ASSERT_EQ(reader.AudioStreamCount(), c.streams);
  const auto fields = ProbeStreamFields(path, "a:" + std::to_string(c.audioStream));
  SPlugStreamInfo info;
  ASSERT_EQ(reader.AudioInfo(c.audioStream, &info), 0u);
  const SPlugAudioStreamInfo& audio = info.audio;
  EXPECT_EQ(audio.audioType, 12u);
  EXPECT_EQ(audio.audioSubType, Code(c.format));
  EXPECT_EQ(audio.channels, c.channels);
  EXPECT_EQ(audio.bitsPerSample, c.bits);
  EXPECT_EQ(audio.sampleRate, std::stoul(Field(fields, "sample_rate")));
  EXPECT_EQ(audio.blockAlign, c.channels * c.bits / 8);
  EXPECT_EQ(info.streamId, 1u);
  EXPECT_EQ(info.streamType, 2u);
  EXPECT_EQ(info.containerType, 26u);
  EXPECT_EQ(info.privateKind, 7u);
  // One packet per sample frame.
  EXPECT_EQ(info.framesPerPacket, 1u);
  EXPECT_EQ(info.packetCount, std::stoul(Field(fields, "duration_ts")));
}

using ReaderAudio = PluginTest;

// The other codes a stream passes through as read ('sowt', 'in24', '42ni',
// 'in32', '23ni') are AudioDecoderCodings' rows, which read them with the
// reader family and compare with the same decode.
TEST_F(ReaderAudio, PcmRecordsAndBlocksMatchFfprobeAndFfmpegsDecode) {
  const PcmCase cases[] = {
      {"pcm_twos.mov", "twos", 16, 2, 1, "s16le", "-map 0:a:0", 0, 1000},
      {"pcm_fl32.mov", "fl32", 32, 1, 1, "f32be", "-map 0:a:0", 0, 1000},
      {"pcm_lpcm_96k.mov", "lpcm", 24, 1, 1, "s24le", "-map 0:a:0", 0, 9600},
      {"pcm_raw_u8.mov", "raw ", 16, 1, 1, "u8", "-map 0:a:0", 0, 5000},
      // 'twos' of other widths than 16 bits: 8-bit values as stored, wider
      // ones little-endian like 'in24' and 'in32'.
      {"pcm_s8.mov", "twos", 16, 1, 1, "s8", "-map 0:a:0", 0, 5000, "twos", 8},
      {"pcm_in24_be.mov", "twos", 24, 1, 1, "s24le", "-map 0:a:0", 0, 777, "twos", 24},
      {"pcm_in32.mov", "twos", 32, 1, 1, "s32le", "-map 0:a:0", 0, 1000, "twos", 32},
      {"pcm_mono_tracks.mov", "sowt", 16, 3, 1, "s16le",
       "-filter_complex '[0:a:0][0:a:1][0:a:2]amerge=inputs=3'", 0, 2048},
      // Without video no selection is valid and reads come from stream 0.
      {"pcm_unequal_tracks.mov", "sowt", 16, 1, 2, "s16le", "-map 0:a:0", 0, 1000},
      {"pcm_mixed_formats.mov", "twos", 16, 1, 2, "s16le", "-map 0:a:0", 0, 1000},
      {"mjpeg_pcm_unequal_tracks.mov", "sowt", 16, 1, 2, "s16le", "-map 0:a:1", 1, 1000},
      {"mjpeg_pcm_mixed_formats.mov", "twos", 16, 1, 2, "s16le", "-map 0:a:0", 0, 1000},
      {"mjpeg_pcm_mixed_formats.mov", "sowt", 16, 1, 2, "s16le", "-map 0:a:1", 1, 1000},
      {"avc1_pcm.mov", "sowt", 16, 1, 1, "s16le", "-map 0:a:0", 0, 1920},
  };
  for (const PcmCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fixture << " stream " << c.audioStream);
    const std::string path = c.storedAs != nullptr
                                 ? WithPlainSoundDescription(c.fixture, c.storedAs, c.storedBits)
                                 : Fixture(c.fixture);
    const std::string decoded = RunCommand("ffmpeg -v error -i " + Quote(path) + " " + c.mapping +
                                           " -f " + c.decodeFormat + " -")
                                    .output;
    const std::vector<uint8_t> expected(decoded.begin(), decoded.end());
    ASSERT_FALSE(expected.empty());
    for (const bool callerBuffer : {false, true}) {
      HostReader reader(plugin_);
      ASSERT_EQ(reader.Open(path), 0u);
      if (c.audioStream != 0) {
        ASSERT_EQ(reader.Select(0, c.audioStream), 0u);
      }
      if (!callerBuffer) ExpectPcmRecord(reader, path, c);
      SPlugStreamInfo record;
      ASSERT_EQ(reader.AudioInfo(c.audioStream, &record), 0u);
      const size_t packets = record.packetCount;
      const std::vector<uint8_t> delivered =
          ReadAllAudio(reader, c.audioStream, c.block, callerBuffer, expected.size() / packets);
      ASSERT_EQ(delivered.size(), expected.size());
      EXPECT_TRUE(delivered == expected);
    }
    if (c.storedAs != nullptr) std::remove(path.c_str());
  }
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

  // Merged tracks whose first one has its data in another file: the block
  // fails although the last track reads.
  const std::vector<uint8_t> elsewhere = {
      0, 0,  0,   0,   0,   0,   0, 1, 0, 0,
      0, 12, 'a', 'l', 'i', 's', 0, 0, 0, 0};  // one 'alis' without the self flag
  const std::string path = WriteScratchMovie(
      "merged-first-elsewhere", WithAtomPayload(ReadFile(Fixture("pcm_mono_tracks.mov")),
                                                "moov/trak[1]/mdia/minf/dinf/dref", elsewhere));
  ASSERT_EQ(reader.Open(path), 0u);
  ASSERT_EQ(reader.AudioStreamCount(), 1u);
  EXPECT_EQ(reader.ReadAudioAlt(0, 100, &data, &info), 0x80000405u);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace zeb::test
