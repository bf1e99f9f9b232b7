// The audio encoder family through the plug-in's ordinal table: tone PCM in,
// coded units out, written into movies by the muxer family and checked with
// the ffmpeg tools (codec, rate, channels, duration, and for lossless codings
// every sample) and counted by our reader as ffprobe counts them; the chunk cadence, the audio
// description block, stereo pairs, and the refusals with their log lines.
#include <gtest/gtest.h>

#include <cmath>

#include "core/PlugRecords.h"
#include "tests/codecs/AudioEncoderTestSupport.h"
#include "tests/host/LogCapture.h"
#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/Ffprobe.h"
#include "tests/writer/WriterTestSupport.h"

namespace zeb::test {
namespace {

constexpr uint32_t kRefused = 0x80000403u;
constexpr uint32_t kNullPointer = 0x80000004u;
constexpr char kNotSupported[] = "QTAudioEncoder--Not Support Audio Foramt";
constexpr char kOddChannels[] = "QTAudioEncoder--Audio Channel count must 1,2,4,8";
constexpr char kInitFailed[] =
    "QTAudioEncoder: Init QtAudio Encoder error, Encode parament error or need plug for this "
    "audio format";

// One channel pair of the tone as the ffmpeg tool decodes it to 16 bits:
// wider samples lose their low bits, as its converter truncates.
std::vector<int16_t> PairAs16Bit(const std::vector<uint8_t>& pcm, uint32_t channels, uint32_t bits,
                                 uint32_t pair) {
  const uint32_t bytes = bits / 8;
  const uint32_t perPair = std::min(channels, 2u);
  const size_t frames = pcm.size() / (size_t{channels} * bytes);
  std::vector<int16_t> out;
  for (size_t i = 0; i < frames; ++i) {
    for (uint32_t c = 0; c < perPair; ++c) {
      const uint8_t* at = pcm.data() + (i * channels + pair * 2 + c) * bytes;
      out.push_back(static_cast<int16_t>(uint16_t(at[bytes - 2]) | uint16_t(at[bytes - 1]) << 8));
    }
  }
  return out;
}

// Signal-to-noise ratio in dB of `decoded` against `reference`, the decode
// shifted by `delay` frames of `channels`.
double SnrDb(const std::vector<int16_t>& reference, const std::vector<int16_t>& decoded,
             size_t delay, uint32_t channels) {
  double signal = 0, noise = 0;
  const size_t skip = delay * channels;
  for (size_t i = 0; i < reference.size() && i + skip < decoded.size(); ++i) {
    const double difference = double(decoded[i + skip]) - reference[i];
    signal += double(reference[i]) * reference[i];
    noise += difference * difference;
  }
  return noise == 0 ? 200 : 10 * std::log10(signal / noise);
}

class AudioEncoderTest : public ::testing::Test {
 protected:
  // The media layer starts (and logs its start) before any log is compared.
  void SetUp() override { ASSERT_EQ(plugin_.Get<PFN_LoadQuickTime>(ZEB_ORD_LoadQuickTime)(), 1u); }

  TestPlugin plugin_;
};

struct RoundTrip {
  const char* name;
  uint32_t code, bits, channels, rate;
  const char* codecName;  // as ffprobe names the decoder
  double minSnrDb;        // 0: every sample equal
  size_t delay;           // frames the decode runs behind the input
  uint32_t slackFrames;   // frames the duration may run over
  // Frames it may fall short: libavcodec's AAC encoder gives its last packet
  // a few frames less than it holds (the ffmpeg tool's own .m4a likewise).
  uint32_t shortFrames = 0;
};

TEST_F(AudioEncoderTest, CodedMoviesDecodeInFfmpeg) {
  const RoundTrip cases[] = {
      {"twos 16-bit stereo", Code("twos"), 16, 2, 48000, "pcm_s16be", 0, 0, 0},
      {"sowt 16-bit mono", Code("sowt"), 16, 1, 44100, "pcm_s16le", 0, 0, 0},
      {"in24 stereo", Code("in24"), 24, 2, 48000, "pcm_s24be", 0, 0, 0},
      {"twos four channels", Code("twos"), 16, 4, 48000, "pcm_s16be", 0, 0, 0},
      {"ulaw mono", Code("ulaw"), 16, 1, 8000, "pcm_mulaw", 30, 0, 0},
      {"alaw stereo", Code("alaw"), 16, 2, 22050, "pcm_alaw", 30, 0, 0},
      {"ima4 stereo", Code("ima4"), 16, 2, 44100, "adpcm_ima_qt", 20, 0, 64},
      {"alac stereo", Code("alac"), 16, 2, 44100, "alac", 0, 0, 0},
      {"alac six channels", Code("alac"), 16, 6, 48000, "alac", 0, 0, 0},
      // The movie's edit skips AAC's 1024 frames of priming.
      {"mp4a stereo", Code("mp4a"), 16, 2, 48000, "aac", 15, 0, 1024, 64},
      {"mp4a four channels", Code("mp4a"), 16, 4, 44100, "aac", 15, 0, 1024, 64},
      {"ac-3 stereo", Code("ac-3"), 16, 2, 48000, "ac3", 10, 256, 1536},
      {".mp3 stereo", Code(".mp3"), 16, 2, 44100, "mp3", 0, 0, 3 * 1152},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.name);
    const uint32_t frames = c.rate * 5 / 2 + 77;  // not a whole chunk or packet
    const std::vector<uint8_t> pcm = TonePcm(frames, c.channels, c.rate, c.bits);
    const SPlugAudioStreamInfo record = AudioRecord(c.code, c.channels, c.bits, c.rate);
    HostAudioEncoder encoder(plugin_);
    ASSERT_EQ(encoder.Open(&record), 0u);
    const std::vector<CodedUnit> units = EncodeAll(encoder, pcm, record.blockAlign, 3000);
    ASSERT_FALSE(units.empty());
    const std::string path = writer::test::ScratchPath(std::string("aenc_") + c.name + ".mov");
    ASSERT_TRUE(WriteAudioMovie(plugin_, path, record, units));
    // Our reader counts the packets the ffprobe tool counts, however the
    // coding lays them into media samples.
    HostReader reader(plugin_);
    ASSERT_EQ(reader.Open(path), 0u);
    SPlugStreamInfo stream;
    ASSERT_EQ(reader.AudioInfo(0, &stream), 0u);
    EXPECT_EQ(std::to_string(stream.packetCount),
              Field(ProbeStreamFields(path, "a:0"), "nb_frames"));

    for (uint32_t pair = 0; pair < std::max(c.channels / 2, 1u); ++pair) {
      SCOPED_TRACE("pair " + std::to_string(pair));
      const DecodedAudio decoded = DecodeWithFfmpeg(path, static_cast<int>(pair));
      const uint32_t perPair = std::min(c.channels, 2u);
      EXPECT_EQ(decoded.codecName, c.codecName);
      EXPECT_EQ(decoded.sampleRate, static_cast<int>(c.rate));
      EXPECT_EQ(decoded.channels, static_cast<int>(perPair));
      const double seconds = double(frames) / c.rate;
      EXPECT_GE(decoded.duration, seconds - double(c.shortFrames + 1) / c.rate);
      EXPECT_LE(decoded.duration, seconds + double(c.slackFrames + 1) / c.rate);
      const std::vector<int16_t> reference = PairAs16Bit(pcm, c.channels, c.bits, pair);
      if (c.minSnrDb == 0 && c.code != Code(".mp3")) {
        EXPECT_TRUE(decoded.samples.size() >= reference.size() &&
                    std::equal(reference.begin(), reference.end(), decoded.samples.begin()))
            << "decoded samples differ from the input";
      } else if (c.minSnrDb > 0) {
        EXPECT_GE(SnrDb(reference, decoded.samples, c.delay, perPair), c.minSnrDb);
      }
    }
  }
}

// Constant-size codings come in chunks of whole packets, about a second
// long; variable-size codings one packet a unit. The block before the
// description says how the writer counts them (the description itself is
// what ffmpeg decodes in the round trips above).
TEST_F(AudioEncoderTest, ChunksAndDescriptionBlocks) {
  struct Case {
    const char* name;
    uint32_t code, rate;
    int32_t compressionId;
    uint32_t samplesPerPacket, firstUnitCount, firstUnitBytes;
  };
  const Case cases[] = {
      {"PCM: one second", Code("twos"), 48000, -1, 1, 48000, 48000 * 4},
      {"ima4: 689 packets of 64", Code("ima4"), 44100, -2, 64, 689, 689 * 34 * 2},
      {"ulaw: one second", Code("ulaw"), 8000, -1, 1, 8000, 8000 * 2},
      {"mp4a: one packet a unit", Code("mp4a"), 44100, -2, 1024, 1, 0},
      {"alac: one packet a unit", Code("alac"), 44100, -2, 4096, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SPlugAudioStreamInfo record = AudioRecord(c.code, 2, 16, c.rate);
    HostAudioEncoder encoder(plugin_);
    ASSERT_EQ(encoder.Open(&record), 0u);
    SPlugFrameInfo info;
    PlugRecords::Init(info);
    const uint8_t* data = nullptr;
    ASSERT_EQ(encoder.Get(&data, &info), 0u);  // nothing put yet: no unit, no block
    EXPECT_EQ(info.dataSize + info.unitCount + info.privateSize, 0u);
    EXPECT_EQ(info.privateAddress, nullptr);

    const std::vector<uint8_t> pcm = TonePcm(c.rate * 3 / 2, 2, c.rate, 16);
    const std::vector<CodedUnit> units = EncodeAll(encoder, pcm, 4, c.rate / 2);
    ASSERT_GE(units.size(), 2u);
    const CodedUnit& first = units.front();
    EXPECT_EQ(first.info.unitCount, c.firstUnitCount);
    if (c.firstUnitBytes != 0) {
      EXPECT_EQ(first.info.dataSize, c.firstUnitBytes);
    }
    EXPECT_EQ(first.info.streamType, uint32_t{PLUG_STREAM_TYPE_AUDIO_});
    EXPECT_EQ(first.info.streamState, uint32_t{PLUG_STREAMSTATE_MORE_});
    EXPECT_EQ(units.back().info.streamState, uint32_t{PLUG_STREAMSTATE_END_});

    const std::vector<uint8_t>& block = first.block;
    ASSERT_GE(block.size(), 60u);
    EXPECT_EQ(static_cast<int32_t>(NativeWord(block, 0)), c.compressionId);
    EXPECT_EQ(NativeWord(block, 4), c.samplesPerPacket);
    EXPECT_EQ(NativeWord(block, 8) + 8, block.size()) << "the triple's size is the block's";
  }
}

// PCM given one channel at a time codes as the same PCM given interleaved.
TEST_F(AudioEncoderTest, ChannelByChannelEqualsInterleaved) {
  const uint32_t frames = 12345;
  const std::vector<uint8_t> pcm = TonePcm(frames, 2, 44100, 16);
  const SPlugAudioStreamInfo record = AudioRecord(Code("alac"), 2, 16, 44100);
  HostAudioEncoder interleaved(plugin_);
  ASSERT_EQ(interleaved.Open(&record), 0u);
  const std::vector<CodedUnit> expected = EncodeAll(interleaved, pcm, 4, frames);

  HostAudioEncoder split(plugin_);
  ASSERT_EQ(split.Open(&record), 0u);
  std::vector<uint8_t> channels[2];
  for (uint32_t i = 0; i < frames; ++i) {
    for (uint32_t c = 0; c < 2; ++c) {
      channels[c].insert(channels[c].end(), pcm.begin() + (i * 2 + c) * 2,
                         pcm.begin() + (i * 2 + c) * 2 + 2);
    }
  }
  for (uint32_t c = 0; c < 2; ++c) {
    ASSERT_EQ(
        split.Put(channels[c].data(), uint32_t(channels[c].size()), PLUG_STREAMSTATE_MORE_, c), 0u);
  }
  for (uint32_t c = 0; c < 2; ++c) {
    ASSERT_EQ(split.Put(nullptr, 0, PLUG_STREAMSTATE_END_, c), 0u);
  }
  std::vector<CodedUnit> got = EncodeAll(split, {}, 4, 1);
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].bytes, expected[i].bytes) << i;
}

// The check refuses with the reason logged; the open logs the reason (if
// any) and the failed start, and then the encoder takes no PCM.
TEST_F(AudioEncoderTest, RefusalsAndTheirLogLines) {
  struct Case {
    const char* name;
    SPlugAudioStreamInfo record;
    const char* reason;  // the check's refusal; null: the check passes
    bool opens = false;
  };
  SPlugAudioStreamInfo unknownType = AudioRecord(0, 2, 16, 48000);
  unknownType.audioType = 7;
  const Case cases[] = {
      {"code unknown to the framework", AudioRecord(Code("zzzz"), 2, 16, 48000), kNotSupported},
      {"audio type without a code", unknownType, kNotSupported},
      {"coding without an encoder", AudioRecord(Code("MAC3"), 2, 16, 48000), nullptr},
      {"three channels", AudioRecord(Code("twos"), 3, 16, 48000), kOddChannels},
      {"rate beyond 16.16", AudioRecord(Code("twos"), 2, 16, 96000), nullptr},
      {"12-bit samples", AudioRecord(Code("ima4"), 2, 12, 48000), nullptr},
      {"no channels", AudioRecord(Code("twos"), 0, 16, 48000), nullptr},
      {"one channel passes", AudioRecord(Code("alaw"), 1, 16, 8000), nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostAudioEncoder encoder(plugin_);
    LogCapture log;
    std::vector<std::string> expected;
    if (c.reason != nullptr) expected.push_back(c.reason);
    EXPECT_EQ(encoder.Check(&c.record), c.reason != nullptr ? kRefused : 0u);
    EXPECT_EQ(log.Texts(), expected);
    log.Clear();
    if (!c.opens) expected.push_back(kInitFailed);
    EXPECT_EQ(encoder.Open(&c.record), c.opens ? 0u : kRefused);
    EXPECT_EQ(log.Texts(), expected);
    if (c.opens) continue;
    const uint8_t pcm[16] = {};
    EXPECT_EQ(encoder.Put(pcm, sizeof pcm, PLUG_STREAMSTATE_MORE_), kRefused);
    EXPECT_EQ(encoder.Put(pcm, sizeof pcm, PLUG_STREAMSTATE_MORE_, 0), kRefused);
    SPlugFrameInfo info;
    PlugRecords::Init(info);
    const uint8_t* data = nullptr;
    EXPECT_EQ(encoder.Get(&data, &info), 0u);
    EXPECT_EQ(info.dataSize, 0u);
  }
  HostAudioEncoder encoder(plugin_);
  EXPECT_EQ(encoder.Check(nullptr), kNullPointer);
  EXPECT_EQ(encoder.Open(nullptr), kNullPointer);
  EXPECT_EQ(encoder.Get(nullptr, nullptr), kNullPointer);
  EXPECT_EQ(plugin_.Get<PFN_DestroyAudioEncoder>(ZEB_ORD_DestroyAudioEncoder)(nullptr), 0u);
}

}  // namespace
}  // namespace zeb::test
