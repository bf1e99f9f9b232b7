// The PCM packer: chunk sizes and states, the exact bytes and their
// interleaving, silence for channels that ended early, and which samples are
// dropped when a channel buffer overflows.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "media/CPCMAudioEncoder.h"
#include "tests/host/LogCapture.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kMore = PLUG_STREAMSTATE_MORE_;
constexpr uint32_t kEnd = PLUG_STREAMSTATE_END_;
constexpr uint32_t kUntouched = 77;  // a streamState GetChunk must leave alone
// Samples a channel buffer of a 48 kHz format holds: (48000 + 1536) x 2.
constexpr uint32_t kCapacity48k = 99072;

struct Format {
  uint32_t channels, bits, rate = 48000;
};

SPlugAudioStreamInfo StreamInfo(const Format& format) {
  SPlugAudioStreamInfo info{};
  info.size = sizeof info;
  info.audioType = PLUG_AUDIO_TYPE_PCM_;
  info.channels = format.channels;
  info.bitsPerSample = format.bits;
  info.sampleRate = format.rate;
  info.blockAlign = 999;  // Init computes its own
  return info;
}

// Byte k of sample i of channel c: scrambled, so a sample in the wrong place,
// channel or order shows.
uint8_t SampleByte(uint32_t channel, uint32_t index, uint32_t k) {
  const uint32_t x = (index + 1) * 2654435761u ^ (channel + 1) * 40503u ^ k * 0x9E3779B9u;
  return static_cast<uint8_t>(x >> 24);
}

// One call on the encoder. Inputs are numbered per channel: each put hands
// the channel's next samples, whether the encoder keeps them or not.
struct Op {
  enum Kind { kInterleaved, kChannel, kEndAll, kEndChannel, kGet } kind;
  uint32_t count = 0;  // frames or samples
  uint32_t channel = 0, state = kMore, repeat = 1;
};
Op Interleaved(uint32_t frames, uint32_t state = kMore) {
  return {Op::kInterleaved, frames, 0, state};
}
Op Channel(uint32_t channel, uint32_t samples) { return {Op::kChannel, samples, channel}; }
Op EndAll() { return {Op::kEndAll}; }
Op EndChannel(uint32_t channel) { return {Op::kEndChannel, 0, channel}; }
// Expects `repeat` chunks of `frames` frames with `state`; frames 0: nothing delivered.
Op Get(uint32_t frames, uint32_t state = kMore, uint32_t repeat = 1) {
  return {Op::kGet, frames, 0, state, repeat};
}

// A run of one channel's output: input samples [first, first + count), or
// `count` samples of silence when first is kSilence.
constexpr uint32_t kSilence = UINT32_MAX;
struct OutputRun {
  uint32_t first, count;
};

struct Case {
  const char* name;
  Format format;
  std::vector<Op> ops;
  std::vector<std::vector<OutputRun>> output;  // per channel, everything delivered in order
};
Case Row(const char* name, Format format, std::vector<Op> ops,
         std::vector<std::vector<OutputRun>> output) {
  return {name, format, std::move(ops), std::move(output)};
}

class Harness {
 public:
  explicit Harness(const Format& format)
      : format_(format), bytes_(format.bits / 8), next_(format.channels), out_(format.channels) {
    const SPlugAudioStreamInfo info = StreamInfo(format);
    EXPECT_EQ(encoder_.Init(&info, 0), ZEB_OK);
  }

  void Apply(const Op& op) {
    switch (op.kind) {
      case Op::kInterleaved:
        EXPECT_EQ(Put(format_.channels * format_.bits / 8, 0, format_.channels, op.count, op.state),
                  ZEB_OK);
        break;
      case Op::kChannel:
        EXPECT_EQ(Put(bytes_, op.channel, 1, op.count, kMore), ZEB_OK);
        break;
      case Op::kEndAll:
        EXPECT_EQ(encoder_.PutInterleaved(nullptr, 0, kEnd), ZEB_OK);
        break;
      case Op::kEndChannel:
        EXPECT_EQ(encoder_.PutChannel(op.channel, nullptr, 0, kEnd), ZEB_OK);
        break;
      case Op::kGet:
        for (uint32_t i = 0; i < op.repeat; ++i) Get(op.count, op.state);
        break;
    }
  }

  // Each channel's delivered bytes, de-interleaved.
  const std::vector<Bytes>& Output() const { return out_; }
  uint32_t BytesPerSample() const { return bytes_; }

 private:
  // The next `frames` samples of `count` channels from `first`, in frames of
  // `stride` bytes; 0xEE fills bytes of no channel.
  uint32_t Put(uint32_t stride, uint32_t first, uint32_t count, uint32_t frames, uint32_t state) {
    Bytes data(size_t{frames} * stride, 0xEE);
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t c = first + i;
      for (uint32_t f = 0; f < frames; ++f)
        for (uint32_t k = 0; k < bytes_; ++k)
          data[size_t{f} * stride + i * bytes_ + k] = SampleByte(c, next_[c] + f, k);
      next_[c] += frames;
    }
    const auto size = static_cast<uint32_t>(data.size());
    return count == 1 ? encoder_.PutChannel(first, data.data(), size, state)
                      : encoder_.PutInterleaved(data.data(), size, state);
  }

  void Get(uint32_t frames, uint32_t state) {
    SPlugFrameInfo info{};
    info.streamState = kUntouched;
    info.privateKind = PLUG_PRIVATE_AUDIO_DESCRIPTION;
    const uint8_t* data = nullptr;
    ASSERT_EQ(encoder_.GetChunk(&data, &info), ZEB_OK);
    EXPECT_EQ(info.streamType, uint32_t{PLUG_STREAM_TYPE_AUDIO_});
    EXPECT_EQ(info.decodePosition, 0xFFFFFFFFu);
    EXPECT_EQ(info.presentationPosition, 0xFFFFFFFFu);
    EXPECT_EQ(info.frameType, uint32_t{PLUG_FRAME_COMPRESS_TYPE_I_});
    EXPECT_EQ(info.privateKind, uint32_t{PLUG_PRIVATE_NONE});
    const uint32_t frameBytes = format_.channels * bytes_;
    EXPECT_EQ(info.unitCount, frames == 0 ? 1 : frames);
    EXPECT_EQ(info.streamState, frames == 0 ? kUntouched : state);
    ASSERT_EQ(info.dataSize, frames * frameBytes);
    ASSERT_EQ(data == nullptr, frames == 0);
    for (uint32_t f = 0; f < frames; ++f)
      for (uint32_t c = 0; c < format_.channels; ++c)
        out_[c].insert(out_[c].end(), data + f * frameBytes + c * bytes_,
                       data + f * frameBytes + (c + 1) * bytes_);
  }

  Format format_;
  uint32_t bytes_;  // of one sample
  CPCMAudioEncoder encoder_;
  std::vector<uint32_t> next_;  // per channel: index of the next input sample
  std::vector<Bytes> out_;
};

Bytes Expected(uint32_t channel, const std::vector<OutputRun>& runs, uint32_t bytesPerSample) {
  Bytes bytes;
  for (const OutputRun& run : runs)
    for (uint32_t i = 0; i < run.count; ++i)
      for (uint32_t k = 0; k < bytesPerSample; ++k)
        bytes.push_back(run.first == kSilence ? 0 : SampleByte(channel, run.first + i, k));
  return bytes;
}

// A chunk waits until it is full and the stream's end cuts a short last one,
// in the cadence the muxer sets (MuxerAligned's 1602/1601 grid, the audio
// encoder's one-second chunks, both compared byte for byte).
TEST(PcmAudioEncoder, ChunksCarryEveryChannelInOrder) {
  const Format stereo16{2, 16};
  const Case cases[] = {
      Row("EndStateWithTheLastUnit", stereo16,
          {Interleaved(2920, kEnd), Get(1920), Get(1000, kEnd)}, {{{0, 2920}}, {{0, 2920}}}),
      Row("MonoEightBit", {1, 8}, {Interleaved(1921), Get(1920), EndAll(), Get(1, kEnd)},
          {{{0, 1921}}}),
      Row("SixChannels24Bit", {6, 24},
          {Interleaved(700), Interleaved(1300), Get(1920), EndAll(), Get(80, kEnd)},
          std::vector<std::vector<OutputRun>>(6, {{0, 2000}})),
      // 12-bit samples: 3 bytes a stereo frame, one byte a channel; the
      // frame's third byte belongs to no channel.
      Row("FramesWiderThanTheirSamples", {2, 12},
          {Interleaved(2000), Get(1920), EndAll(), Get(80, kEnd)}, {{{0, 2000}}, {{0, 2000}}}),
      Row("ChannelsPutOneByOne", stereo16,
          {Channel(0, 1500), Channel(1, 1000), Get(0), Channel(1, 1000), Channel(0, 500), Get(1920),
           EndAll(), Get(80, kEnd)},
          {{{0, 2000}}, {{0, 2000}}}),
      Row("EndedChannelIsPaddedWithSilence", stereo16, {Channel(0, 500), EndAll(), Get(500, kEnd)},
          {{{0, 500}}, {{kSilence, 500}}}),
      // Channel 1 ends early: it is padded to channel 0's length, but the
      // stream ends only when channel 0 does.
      Row("ChannelEndsBeforeTheOther", stereo16,
          {Channel(0, 3000), Channel(1, 1000), EndChannel(1), Get(1920), Get(0), EndChannel(0),
           Get(1080, kEnd), Get(0)},
          {{{0, 3000}}, {{0, 1000}, {kSilence, 2000}}}),
      // Overflow: a channel buffer holds kCapacity48k samples; the rest of a
      // put is dropped in whole frames, and a full buffer takes nothing.
      Row("OverflowDropsWholeFrames", stereo16,
          {Interleaved(100000), Interleaved(50), EndAll(), Get(1920, kMore, 51), Get(1152, kEnd)},
          {{{0, kCapacity48k}}, {{0, kCapacity48k}}}),
      Row("OverflowOfOneChannel", stereo16,
          {Channel(0, kCapacity48k + 7), Channel(0, 3), Channel(1, 1920), Get(1920), EndAll(),
           Get(1920, kMore, 50), Get(1152, kEnd)},
          {{{0, kCapacity48k}}, {{0, 1920}, {kSilence, kCapacity48k - 1920}}}),
      // Drained space is reclaimed by moving the waiting bytes to the front.
      Row("RoomIsMadeAfterDraining", stereo16,
          {Interleaved(60000), Get(1920, kMore, 31), Interleaved(60000), EndAll(),
           Get(1920, kMore, 31), Get(960, kEnd)},
          {{{0, 120000}}, {{0, 120000}}}),
      // Channel 0 has 72 samples of room: channel 1 also takes only 72 of 100.
      Row("ShortenedPutAppliesToLaterChannels", stereo16,
          {Channel(0, kCapacity48k - 72), Interleaved(100), EndAll(), Get(1920, kMore, 51),
           Get(1152, kEnd)},
          {{{0, kCapacity48k}}, {{0, 72}, {kSilence, kCapacity48k - 72}}}),
      // Channel 0 is full: the put stops there and channel 1 gets nothing.
      Row("FullChannelStopsThePut", stereo16,
          {Channel(0, kCapacity48k), Interleaved(100), Channel(1, 1920), Get(1920)},
          {{{0, 1920}}, {{100, 1920}}}),
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Harness harness(c.format);
    for (const Op& op : c.ops) harness.Apply(op);
    ASSERT_EQ(harness.Output().size(), c.output.size());
    for (uint32_t channel = 0; channel < c.output.size(); ++channel) {
      SCOPED_TRACE("channel " + std::to_string(channel));
      const Bytes expected = Expected(channel, c.output[channel], harness.BytesPerSample());
      EXPECT_EQ(harness.Output()[channel].size(), expected.size());
      EXPECT_TRUE(harness.Output()[channel] == expected);
    }
  }
}

// Once grown for the larger of two alternating chunk sizes, the chunk buffer
// stays where it is: a chunk handed out stays valid across the next size.
TEST(PcmAudioEncoder, SmallerChunksKeepTheLargerBuffer) {
  CPCMAudioEncoder encoder;
  const SPlugAudioStreamInfo info = StreamInfo({2, 16});
  ASSERT_EQ(encoder.Init(&info, 0), ZEB_OK);
  const Bytes pcm(4 * 2002 * 6, 0x11);
  ASSERT_EQ(encoder.PutInterleaved(pcm.data(), static_cast<uint32_t>(pcm.size()), kMore), ZEB_OK);
  const uint8_t* first = nullptr;
  for (int i = 0; i < 6; ++i) {
    ASSERT_EQ(encoder.SetChunkSize(i % 2 ? 2001 : 2002), ZEB_OK);
    const uint8_t* data = nullptr;
    SPlugFrameInfo chunk{};
    ASSERT_EQ(encoder.GetChunk(&data, &chunk), ZEB_OK);
    EXPECT_EQ(chunk.unitCount, i % 2 ? 2001u : 2002u);
    if (i == 0) first = data;
    EXPECT_EQ(data, first) << "chunk " << i;
  }
}

// Requests the encoder refuses: a defined code, a log line, and no change.
TEST(PcmAudioEncoder, RefusedRequestsChangeNothing) {
  LogCapture log;
  CPCMAudioEncoder encoder;
  const SPlugAudioStreamInfo stereo = StreamInfo({2, 16});
  ASSERT_EQ(encoder.Init(&stereo, 0), ZEB_OK);
  const Bytes pcm(4 * 100, 0x22);
  const uint8_t* data = nullptr;
  SPlugFrameInfo info{};

  EXPECT_EQ(encoder.PutChannel(2, pcm.data(), 200, kMore), ZEB_E_OUT_OF_RANGE);
  EXPECT_EQ(encoder.PutChannel(UINT32_MAX, nullptr, 0, kEnd), ZEB_E_OUT_OF_RANGE);
  EXPECT_EQ(encoder.PutChannel(0, nullptr, 200, kMore), ZEB_E_NULL_POINTER);
  EXPECT_EQ(encoder.PutInterleaved(nullptr, 400, kMore), ZEB_E_NULL_POINTER);
  EXPECT_EQ(encoder.SetChunkSize(0), ZEB_E_OUT_OF_RANGE);
  EXPECT_EQ(encoder.SetChunkSize(-1920), ZEB_E_OUT_OF_RANGE);
  EXPECT_EQ(encoder.SetChunkSize(kCapacity48k + 1), ZEB_E_OUT_OF_RANGE);
  EXPECT_EQ(encoder.SetChunkSize(kCapacity48k), ZEB_OK);
  EXPECT_EQ(encoder.SetChunkSize(100), ZEB_OK);
  EXPECT_EQ(encoder.GetChunk(nullptr, &info), ZEB_E_NULL_POINTER);
  EXPECT_EQ(encoder.GetChunk(&data, nullptr), ZEB_E_NULL_POINTER);
  EXPECT_EQ(log.Lines().size(), 9u);
  EXPECT_TRUE(log.Contains("CPCMAudioEncoder--Channel index out of range"));

  // Nothing above reached a channel: the stream is still empty.
  EXPECT_EQ(encoder.PutInterleaved(pcm.data(), static_cast<uint32_t>(pcm.size()), kEnd), ZEB_OK);
  ASSERT_EQ(encoder.GetChunk(&data, &info), ZEB_OK);
  EXPECT_EQ(info.unitCount, 100u);
  EXPECT_EQ(info.streamState, kEnd);

  // Formats that cannot be framed or would need unbounded buffers.
  const Format refused[] = {{0, 16}, {2, 7}, {2, 0}, {64, 64, 768000}, {2, 16, 0xFFFFFFFF}};
  for (const Format& format : refused) {
    const SPlugAudioStreamInfo bad = StreamInfo(format);
    EXPECT_EQ(encoder.Init(&bad, 0), ZEB_E_AUDIO_ENCODER_PARAMS)
        << format.channels << "x" << format.bits;
    EXPECT_EQ(encoder.PutInterleaved(pcm.data(), 400, kMore), ZEB_OK);
    EXPECT_EQ(encoder.PutChannel(0, pcm.data(), 400, kMore), ZEB_E_OUT_OF_RANGE);
    info.dataSize = 5;
    EXPECT_EQ(encoder.GetChunk(&data, &info), ZEB_OK);
    EXPECT_EQ(info.dataSize, 0u);
  }
  EXPECT_EQ(encoder.Init(nullptr, 0), ZEB_E_NULL_POINTER);

  // After Reset, as before Init, there is no channel: nothing is kept or delivered.
  ASSERT_EQ(encoder.Init(&stereo, 0), ZEB_OK);
  ASSERT_EQ(encoder.Reset(), ZEB_OK);
  EXPECT_EQ(encoder.SetChunkSize(4000), ZEB_OK);
  EXPECT_EQ(encoder.PutInterleaved(pcm.data(), 400, kEnd), ZEB_OK);
  data = nullptr;
  EXPECT_EQ(encoder.GetChunk(&data, &info), ZEB_OK);
  EXPECT_EQ(data, nullptr);
}

}  // namespace
