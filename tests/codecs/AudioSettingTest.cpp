// The audio settings without a window: the sound dialog's rate and format
// rules, and the round trip of its codec settings. The component's 'cdec'
// bytes (what ordinal 702 hands out as its kind-8 block) open the audio
// encoder through the ordinal table; the written movie shows in ffprobe the
// format, rate, channels and bit rate that were chosen.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "codecs/CQTACustomSetingDlg.h"
#include "platform/codec/SoundCompression.h"
#include "tests/codecs/AudioEncoderTestSupport.h"
#include "tests/support/Ffprobe.h"
#include "tests/writer/WriterTestSupport.h"

namespace zeb::test {
namespace {

namespace codec = zeb::codec;

// The dialog's rates both ways; rates it does not list fall back to 48000 Hz,
// the media layer's odd fixed rates come back by name.
TEST(AudioSettingRules, RatesAndTheRawFormat) {
  EXPECT_EQ(SoundFixedRate(44100), 0xAC440000u);
  for (const uint32_t hz : {8000u, 11025u, 16000u, 22050u, 32000u, 44100u, 48000u}) {
    EXPECT_EQ(SoundRateHz(SoundFixedRate(hz)), hz);
  }
  for (const uint32_t hz : {96000u, 11000u, 0u}) EXPECT_EQ(SoundFixedRate(hz), 0xBB800000u) << hz;
  EXPECT_EQ(SoundRateHz(0x56EE8BA3), 22000u);
  EXPECT_EQ(SoundRateHz(0x2B7745D1), 11000u);
  EXPECT_EQ(SoundRateHz(0x56EE0000), 48000u);
  const struct {
    uint32_t format;
    uint16_t size;
    uint32_t resolved;
  } raws[] = {{Code("raw "), 8, Code("NONE")},
              {Code("raw "), 16, Code("twos")},
              {Code("raw "), 24, Code("twos")},
              {Code("mp4a"), 8, Code("mp4a")},
              {Code("twos"), 8, Code("twos")}};
  for (const auto& r : raws) EXPECT_EQ(ResolveRawFormat(r.format, r.size), r.resolved);
}

movie::OwnedHandle HandleOf(const std::vector<uint8_t>& bytes) {
  movie::OwnedHandle handle(movie::NewHandle(bytes.size()));
  std::memcpy(*handle, bytes.data(), bytes.size());
  return handle;
}

// The kind-8 block the component gives for `format` at `bitRate` (0: none
// set); empty for a format without codec settings.
std::vector<uint8_t> CodecSettingsBlock(uint32_t format, uint16_t channels, uint32_t bitRate) {
  codec::SoundComponentInstance component = nullptr;
  EXPECT_EQ(codec::OpenADefaultComponent(codec::kStandardCompressionType,
                                         codec::kStandardSoundSubType, &component),
            0);
  const auto count = static_cast<int16_t>(channels);
  EXPECT_EQ(codec::SCSetInfo(component, codec::kSCSoundCompressionType, &format), 0);
  EXPECT_EQ(codec::SCSetInfo(component, codec::kSCSoundChannelCountType, &count), 0);
  if (bitRate != 0) {
    const movie::OwnedHandle handle = HandleOf(codec::SoundCodecSettingsBytes({format, bitRate}));
    EXPECT_EQ(codec::SCSetInfo(component, codec::kSCCodecSettingsType, handle.get()), 0);
  }
  movie::Handle settings = nullptr;
  EXPECT_EQ(codec::SCGetInfo(component, codec::kSCCodecSettingsType, &settings), 0);
  std::vector<uint8_t> block;
  if (settings != nullptr) block.assign(*settings, *settings + movie::GetHandleSize(settings));
  movie::DisposeHandle(settings);
  codec::CloseComponent(component);
  return block;
}

// The component's codec settings: only formats coded at a chosen rate have
// them, and only bytes it gave are taken back.
TEST(AudioSettingRules, CodecSettingsOfTheComponent) {
  const struct {
    uint32_t format;
    uint16_t channels;
    uint32_t setBitRate;   // 0: none set
    uint32_t wantBitRate;  // 0: no settings
  } cases[] = {
      {Code("mp4a"), 2, 0, 128000}, {Code("mp4a"), 1, 0, 64000}, {Code(".mp3"), 2, 192000, 192000},
      {Code("ima4"), 2, 0, 0},      {Code("twos"), 2, 96000, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    const std::vector<uint8_t> block = CodecSettingsBlock(c.format, c.channels, c.setBitRate);
    if (c.wantBitRate == 0) {
      EXPECT_TRUE(block.empty());
      continue;
    }
    const auto parsed = codec::ParseSoundCodecSettings(block);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->format, c.format);
    EXPECT_EQ(parsed->bitRate, c.wantBitRate);
  }
  // Settings of another format, and bytes that are no settings, are refused.
  codec::SoundComponentInstance component = nullptr;
  ASSERT_EQ(codec::OpenADefaultComponent(codec::kStandardCompressionType,
                                         codec::kStandardSoundSubType, &component),
            0);
  const uint32_t aac = Code("mp4a");
  ASSERT_EQ(codec::SCSetInfo(component, codec::kSCSoundCompressionType, &aac), 0);
  const movie::OwnedHandle other = HandleOf(codec::SoundCodecSettingsBytes({Code(".mp3"), 128000}));
  EXPECT_EQ(codec::SCSetInfo(component, codec::kSCCodecSettingsType, other.get()),
            codec::kParamErr);
  (*other)[0] = 'x';
  std::memcpy(*other + 4, &aac, 4);
  EXPECT_EQ(codec::SCSetInfo(component, codec::kSCCodecSettingsType, other.get()),
            codec::kParamErr);
  codec::CloseComponent(component);
}

using AudioSettingRoundTrip = PluginTest;

TEST_F(AudioSettingRoundTrip, ChosenSettingsShowInFfprobe) {
  const struct {
    const char* name;
    uint32_t format;
    uint16_t channels;
    uint32_t rate;
    uint32_t dialogBitRate;  // chosen in the dialog; 0: the block has none or its default
    uint32_t recordBitRate;  // the stream record's
    const char* codecName;
    uint32_t bitRate;  // of the first pair's track, as ffprobe reports it
  } cases[] = {
      {"aac chosen", Code("mp4a"), 2, 48000, 96000, 1536000, "aac", 96000},
      {"aac default", Code("mp4a"), 1, 32000, 0, 512000, "aac", 64000},
      {"aac record, no block", Code("mp4a"), 2, 44100, 0, 160000, "aac", 160000},
      {"aac four channels, no block", Code("mp4a"), 4, 48000, 0, 320000, "aac", 160000},
      {"mp3 chosen", Code(".mp3"), 2, 44100, 192000, 1411200, "mp3", 192000},
      {"mp3 record, no block", Code(".mp3"), 1, 22050, 0, 32000, "mp3", 32000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const bool noBlock = std::string(c.name).find("no block") != std::string::npos;
    std::vector<uint8_t> block;
    if (!noBlock) block = CodecSettingsBlock(c.format, c.channels, c.dialogBitRate);
    EXPECT_EQ(block.empty(), noBlock || !codec::HasBitRate(c.format));
    SPlugAudioStreamInfo record = AudioRecord(c.format, c.channels, 16, c.rate);
    record.bitRate = c.recordBitRate;
    const SPlugPrivateDesc custom{PLUG_PRIVATE_AUDIO_SETTINGS, block.data(),
                                  static_cast<uint32_t>(block.size())};
    HostAudioEncoder encoder(plugin_);
    ASSERT_EQ(encoder.Open(&record, &custom), 0u);
    const std::vector<CodedUnit> units =
        EncodeAll(encoder, TonePcm(c.rate * 2, c.channels, c.rate, 16), record.blockAlign, 4000);
    const std::string path = writer::test::ScratchPath(std::string("aset_") + c.name + ".mov");
    ASSERT_TRUE(WriteAudioMovie(plugin_, path, record, units));
    const ProbeFields fields = ProbeStreamFields(path, "a:0");
    EXPECT_EQ(Field(fields, "codec_name"), c.codecName);
    EXPECT_EQ(Field(fields, "sample_rate"), std::to_string(c.rate));
    EXPECT_EQ(Field(fields, "channels"), std::to_string(std::min<uint16_t>(c.channels, 2)));
    const double bitRate = std::atof(Field(fields, "bit_rate").c_str());
    EXPECT_NEAR(bitRate, c.bitRate, c.bitRate * 0.1) << Field(fields, "bit_rate");
  }
}

}  // namespace
}  // namespace zeb::test
