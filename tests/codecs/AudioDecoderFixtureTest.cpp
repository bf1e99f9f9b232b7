// Every coding the audio decoder takes, through the ordinal table: movies
// made by the ffmpeg tool, read with the reader family block by block,
// decoded unit by unit, and compared byte for byte with the tool's decode of
// every packet of the same stream. PCM and the lossless codings must match
// because they are exact; the lossy ones because the same libavcodec decoder
// and the same libswresample conversion to integers run on the same packets.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "tests/codecs/AudioDecoderTestSupport.h"
#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/Fixtures.h"

namespace zeb::test {
namespace {

struct CodingCase {
  const char* fixture;
  const char* code;       // the stream's sound description code
  uint32_t block;         // packets a read
  const char* reference;  // the tool's raw format of the PCM the decoder gives
  uint32_t constant;      // ordinal 207's answer
  uint32_t channels;
};

class AudioDecoderCodings : public testing::TestWithParam<CodingCase> {
 protected:
  TestPlugin plugin_;
};

TEST_P(AudioDecoderCodings, EqualsTheToolsDecode) {
  const CodingCase& c = GetParam();
  const std::string path = Fixture(c.fixture);
  ReadSound sound = ReadWholeSound(plugin_, path, c.block);
  ASSERT_FALSE(sound.units.empty());
  EXPECT_EQ(sound.stream.audio.audioSubType, Code(c.code));
  EXPECT_EQ(sound.stream.audio.channels, c.channels);
  HostAudioDecoder decoder(plugin_);
  ASSERT_EQ(decoder.OpenOn(sound), 0u);
  EXPECT_EQ(decoder.IsPacketSizeConstant(), c.constant);
  std::vector<uint8_t> pcm;
  for (const AudioUnit& unit : sound.units) {
    SPlugFrameInfo info;
    const std::vector<uint8_t> out = decoder.DecodeUnit(unit.bytes, unit.count, info);
    EXPECT_EQ(info.streamType, 2u);
    EXPECT_EQ(info.frameType, uint32_t{PLUG_FRAME_COMPRESS_TYPE_DECODED_});
    EXPECT_EQ(info.unitCount, unit.count);
    EXPECT_EQ(info.decodePosition, 0xFFFFFFFFull);
    EXPECT_EQ(info.presentationPosition, 0xFFFFFFFFull);
    pcm.insert(pcm.end(), out.begin(), out.end());
  }
  const std::vector<uint8_t> reference = ReferenceAudio(path, c.reference);
  ASSERT_EQ(pcm.size(), reference.size());
  EXPECT_TRUE(pcm == reference);
}

// Pass-through first (the reader has made them little-endian), then the
// converter's PCM ('lpcm' by its version-2 flags), then the coded formats.
constexpr CodingCase kCodings[] = {
    {"pcm_twos.mov", "twos", 1000, "s16le", 1, 2},
    {"pcm_sowt.mov", "sowt", 4410, "s16le", 1, 2},
    {"pcm_in24_be.mov", "in24", 1000, "s24le", 1, 1},
    {"pcm_in24_le.mov", "42ni", 1000, "s24le", 1, 1},
    {"pcm_in32.mov", "in32", 1000, "s32le", 1, 1},
    {"pcm_in32_le.mov", "23ni", 1000, "s32le", 1, 1},
    {"pcm_s8.mov", "sowt", 1000, "s8", 1, 1},
    {"pcm_raw_u8.mov", "raw ", 1000, "s16le", 1, 1},
    {"pcm_fl32.mov", "fl32", 1000, "s16le", 1, 1},
    {"pcm_fl64.mov", "fl64", 1000, "s16le", 1, 1},
    {"pcm_lpcm_96k.mov", "lpcm", 1000, "s24le", 1, 1},
    {"lpcm_s16be_96k.mov", "lpcm", 1000, "s16le", 1, 2},
    {"lpcm_s32le_96k.mov", "lpcm", 1000, "s32le", 1, 1},
    {"lpcm_f32be_96k.mov", "lpcm", 1000, "s32le", 1, 2},
    {"ulaw.mov", "ulaw", 1000, "s16le", 1, 1},
    {"alaw.mov", "alaw", 777, "s16le", 1, 2},
    {"ima4.mov", "ima4", 100, "s16le", 0, 1},
    {"aac.mov", "mp4a", 1, "s16le", 0, 1},
    {"aac.mov", "mp4a", 7, "s16le", 0, 1},
    {"aac_51.mov", "mp4a", 1, "s16le", 0, 6},
    {"aac_50.mov", "mp4a", 1, "s16le", 0, 5},
    {"alac.mov", "alac", 1, "s16le", 0, 2},
    // 24-bit values under a description that says 16: 16-bit PCM.
    {"alac_24.mov", "alac", 1, "s16le", 0, 2},
    {"mp3.mov", ".mp3", 1, "s16le", 0, 2},
    {"mp3.mov", ".mp3", 5, "s16le", 0, 2},
    {"ac3.mov", "ac-3", 1, "s16le", 0, 2},
    {"ac3.mov", "ac-3", 4, "s16le", 0, 2},
};

INSTANTIATE_TEST_SUITE_P(Codings, AudioDecoderCodings, testing::ValuesIn(kCodings),
                         [](const auto& info) {
                           return TestName(info.param.fixture +
                                           ("_" + std::to_string(info.param.block)));
                         });

// The PCM of every unit of `sound`, decoded in order.
std::vector<uint8_t> DecodeWholeSound(const TestPlugin& plugin, ReadSound& sound) {
  HostAudioDecoder decoder(plugin);
  EXPECT_EQ(decoder.OpenOn(sound), 0u);
  std::vector<uint8_t> pcm;
  for (const AudioUnit& unit : sound.units) {
    SPlugFrameInfo info;
    const std::vector<uint8_t> out = decoder.DecodeUnit(unit.bytes, unit.count, info);
    pcm.insert(pcm.end(), out.begin(), out.end());
  }
  return pcm;
}

// An .mp4 sample entry says two channels whatever the AAC holds (ffmpeg
// writes it so, as phones do). The stream is what the description says: mono
// AAC comes out stereo, the one channel at full level on both.
TEST(AudioDecoderChannels, MonoAacUnderATwoChannelEntryFillsBoth) {
  const std::string path = Fixture("avc1_aac.mp4");
  TestPlugin plugin;
  ReadSound sound = ReadWholeSound(plugin, path, 1);
  ASSERT_EQ(sound.stream.audio.channels, 2u);
  const std::vector<uint8_t> pcm = DecodeWholeSound(plugin, sound);
  const std::vector<uint8_t> mono = ReferenceAudio(path, "s16le");
  std::vector<uint8_t> stereo;
  for (size_t at = 0; at + 1 < mono.size(); at += 2) {
    stereo.insert(stereo.end(), {mono[at], mono[at + 1], mono[at], mono[at + 1]});
  }
  ASSERT_EQ(pcm.size(), stereo.size());
  EXPECT_TRUE(pcm == stereo);
}

// Level of 16-bit PCM in dB.
double Level(const std::vector<uint8_t>& pcm) {
  double squares = 0;
  for (size_t at = 0; at + 1 < pcm.size(); at += 2) {
    const double value = static_cast<int16_t>(pcm[at] | pcm[at + 1] << 8);
    squares += value * value;
  }
  return 10 * std::log10(squares / static_cast<double>(std::max<size_t>(pcm.size() / 2, 1)));
}

// HE-AAC decodes at twice the rate that its sound description, and so the
// record, says. The PCM comes at the record's rate, 1024 frames a packet:
// as long as the stream, not twice, and as loud as the tool's decode.
TEST(AudioDecoderRates, HeAacComesOutAtTheRecordsRate) {
  const std::string path =
      CorpusDir() + "/fate-suite__aac-tones_afconvert_44100_stereo_aac_he2.m4a";
  if (::access(path.c_str(), R_OK) != 0) GTEST_SKIP() << "no corpus movie " << path;
  TestPlugin plugin;
  ReadSound sound = ReadWholeSound(plugin, path, 1);
  ASSERT_EQ(sound.stream.audio.sampleRate, 22050u);
  ASSERT_EQ(sound.stream.audio.channels, 2u);
  const std::vector<uint8_t> pcm = DecodeWholeSound(plugin, sound);
  const double seconds = static_cast<double>(pcm.size() / 4) / 22050;
  EXPECT_NEAR(seconds, std::stod(Field(ProbeStreamFields(path, "a:0"), "duration")), 0.01);
  EXPECT_NEAR(Level(pcm), Level(ReferenceAudio(path, "s16le", "-ar 22050")), 1.0);
}

}  // namespace
}  // namespace zeb::test
