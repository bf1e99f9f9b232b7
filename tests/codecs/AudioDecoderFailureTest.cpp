// What the audio decoder does with what it cannot use: descriptions it cannot
// read and codings without a decoder are refused at open with the family's
// codes; a refused decoder, garbage, truncated and tiny units give no PCM and
// no crash, and the next good unit decodes in full; the pending unit is
// consumed once; pass-through units larger than the output buffer come back
// whole.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/codecs/AudioDecoderTestSupport.h"
#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/Fixtures.h"

namespace zeb::test {
namespace {

constexpr uint32_t kNotSound = 0x80000400u;
constexpr uint32_t kRefused = 0x80000402u;
constexpr uint32_t kNullPointer = 0x80000004u;
constexpr size_t kVersionAt = 16;
constexpr size_t kFormatAt = 4;

using AudioDecoderFailureTest = PluginTest;

std::vector<uint8_t> WithField16(std::vector<uint8_t> bytes, size_t at, uint16_t value) {
  std::memcpy(bytes.data() + at, &value, 2);  // header fields are in the machine's order
  return bytes;
}

std::vector<uint8_t> WithFormat(std::vector<uint8_t> bytes, const char* code) {
  const uint32_t value = Code(code);
  std::memcpy(bytes.data() + kFormatAt, &value, 4);
  return bytes;
}

// The description without its extension atoms: the size word cut back to the
// version-1 header.
std::vector<uint8_t> WithoutExtensions(std::vector<uint8_t> bytes) {
  constexpr uint32_t kVersion1Header = 52;
  bytes.resize(kVersion1Header);
  std::memcpy(bytes.data(), &kVersion1Header, 4);
  return bytes;
}

TEST_F(AudioDecoderFailureTest, OpenRefusesWhatItCannotDecode) {
  ReadSound sowt = ReadWholeSound(plugin_, Fixture("pcm_sowt.mov"), 4410);
  ReadSound alac = ReadWholeSound(plugin_, Fixture("alac.mov"), 1);
  struct Case {
    const char* name;
    uint32_t kind;
    std::vector<uint8_t> description;
    uint32_t expected;
  };
  const Case cases[] = {
      {"an image description's kind", PLUG_PRIVATE_QT_IMAGE_DESCRIPTION, sowt.description,
       kNotSound},
      {"version 3", PLUG_PRIVATE_QT_SOUND_DESCRIPTION, WithField16(sowt.description, kVersionAt, 3),
       kRefused},
      {"cut short", PLUG_PRIVATE_QT_SOUND_DESCRIPTION,
       std::vector<uint8_t>(sowt.description.begin(), sowt.description.begin() + 12), kRefused},
      {"a code unknown to everyone", PLUG_PRIVATE_QT_SOUND_DESCRIPTION,
       WithFormat(alac.description, "zzzz"), kRefused},
      {"a coding without a decoder here", PLUG_PRIVATE_QT_SOUND_DESCRIPTION,
       WithFormat(alac.description, "samr"), kRefused},
      {"ALAC without its configuration", PLUG_PRIVATE_QT_SOUND_DESCRIPTION,
       WithoutExtensions(alac.description), kRefused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostAudioDecoder decoder(plugin_);
    std::vector<uint8_t> bytes = c.description;
    const SPlugPrivateDesc description{c.kind, bytes.data(), static_cast<uint32_t>(bytes.size())};
    EXPECT_EQ(decoder.Open(&description), c.expected);
    // A refused decoder still takes units and hands out no PCM.
    SPlugFrameInfo info;
    EXPECT_TRUE(decoder.DecodeUnit(alac.units[0].bytes, 1, info).empty());
    EXPECT_EQ(decoder.Close(), 0u);
  }
  HostAudioDecoder decoder(plugin_);
  EXPECT_EQ(decoder.Open(nullptr), kNullPointer);
  const SPlugPrivateDesc noAddress{PLUG_PRIVATE_QT_SOUND_DESCRIPTION, nullptr, 100};
  EXPECT_EQ(decoder.Open(&noAddress), kRefused);
}

// Bad units of every coded format: no PCM or a frame of the decoder's own
// making, never a crash; the next good unit gives what it gives on a clean
// decoder.
TEST_F(AudioDecoderFailureTest, BadUnitsDoNotStopTheStream) {
  std::mt19937 random(7);
  for (const char* fixture :
       {"aac.mov", "aac_51.mov", "alac.mov", "mp3.mov", "ac3.mov", "ima4.mov"}) {
    SCOPED_TRACE(fixture);
    ReadSound sound = ReadWholeSound(plugin_, Fixture(fixture), 1);
    ASSERT_GE(sound.units.size(), 8u);
    const AudioUnit& good = sound.units[6];
    std::vector<uint8_t> garbage(good.bytes.size());
    for (uint8_t& byte : garbage) byte = static_cast<uint8_t>(random());
    const std::vector<uint8_t> truncated(good.bytes.begin(),
                                         good.bytes.begin() + long(good.bytes.size() / 2));
    const std::vector<std::vector<uint8_t>> bad = {garbage, truncated, {0x55}};
    for (const std::vector<uint8_t>& unit : bad) {
      HostAudioDecoder decoder(plugin_);
      ASSERT_EQ(decoder.OpenOn(sound), 0u);
      SPlugFrameInfo info;
      size_t cleanSize = 0;
      for (size_t i = 0; i < 6; ++i) {
        cleanSize = decoder.DecodeUnit(sound.units[i].bytes, sound.units[i].count, info).size();
      }
      (void)decoder.DecodeUnit(unit, 1, info);
      EXPECT_EQ(info.frameType, uint32_t{PLUG_FRAME_COMPRESS_TYPE_DECODED_});
      EXPECT_EQ(decoder.DecodeUnit(good.bytes, good.count, info).size(), cleanSize);
    }
  }
}

TEST_F(AudioDecoderFailureTest, PendingUnitIsConsumedOnce) {
  ReadSound sound = ReadWholeSound(plugin_, Fixture("aac.mov"), 1);
  EXPECT_EQ(sound.stream.framesPerPacket, 1024u) << "the reader's record of AAC";
  HostAudioDecoder decoder(plugin_);
  ASSERT_EQ(decoder.OpenOn(sound), 0u);
  SPlugFrameInfo info;
  EXPECT_EQ(decoder.DecodeUnit(sound.units[0].bytes, 1, info).size(), 1024u * 2);
  SPlugFrameInfo untouched;
  std::memset(&untouched, 0xA5, sizeof untouched);
  SPlugFrameInfo again = untouched;
  uint8_t* pcm = nullptr;
  EXPECT_EQ(decoder.Fetch(&pcm, &again), 0u);
  EXPECT_EQ(std::memcmp(&again, &untouched, sizeof again), 0);
  EXPECT_EQ(pcm, nullptr);
  // A second DecodeAudio replaces the first: one unit's PCM comes out.
  SPlugFrameInfo coded = NewFrameInfo();
  coded.dataSize = static_cast<uint32_t>(sound.units[1].bytes.size());
  coded.unitCount = 1;
  EXPECT_EQ(decoder.Decode(sound.units[0].bytes.data(), &coded), 0u);
  EXPECT_EQ(decoder.Decode(sound.units[1].bytes.data(), &coded), 0u);
  info = NewFrameInfo();
  EXPECT_EQ(decoder.Fetch(&pcm, &info), 0u);
  EXPECT_EQ(info.dataSize, 1024u * 2);
  EXPECT_EQ(decoder.Decode(sound.units[1].bytes.data(), nullptr), kNullPointer);
}

// One handle, several streams: each open closes what the last one left; a
// pass-through unit larger than the 2,304,000-byte output buffer comes back
// whole (the buffer grows to it).
TEST_F(AudioDecoderFailureTest, ReopenTakesTheNewStreamAndPassThroughAnySize) {
  ReadSound aac = ReadWholeSound(plugin_, Fixture("aac.mov"), 1);
  ReadSound sowt = ReadWholeSound(plugin_, Fixture("pcm_sowt.mov"), 4410);
  HostAudioDecoder decoder(plugin_);
  SPlugFrameInfo info;
  ASSERT_EQ(decoder.OpenOn(aac), 0u);
  EXPECT_EQ(decoder.IsPacketSizeConstant(), 0u);
  EXPECT_EQ(decoder.DecodeUnit(aac.units[0].bytes, 1, info).size(), 2048u);
  ASSERT_EQ(decoder.OpenOn(sowt), 0u);
  EXPECT_EQ(decoder.IsPacketSizeConstant(), 1u);
  EXPECT_EQ(decoder.DecodeUnit(sowt.units[0].bytes, sowt.units[0].count, info),
            sowt.units[0].bytes);
  EXPECT_EQ(info.unitCount, sowt.units[0].count);
  std::vector<uint8_t> large(3000001);
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<uint8_t>(i * 7);
  EXPECT_EQ(decoder.DecodeUnit(large, 750000, info), large);
  EXPECT_EQ(decoder.DecodeUnit(sowt.units[1].bytes, sowt.units[1].count, info),
            sowt.units[1].bytes);
  ASSERT_EQ(decoder.OpenOn(aac), 0u);
  EXPECT_EQ(decoder.DecodeUnit(aac.units[0].bytes, 1, info).size(), 2048u);
}

}  // namespace
}  // namespace zeb::test
