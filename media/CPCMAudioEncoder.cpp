#include "media/CPCMAudioEncoder.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "framework/sys/include/ZEBSoftCodecSys.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr uint64_t kUnsetPosition = 0x00000000FFFFFFFFull;
// Channel buffers hold (sample rate + 1536) samples twice over.
constexpr uint64_t kCapacityExtraSamples = 1536;

// Copies `count` values of `Width` bytes, `fromStride` bytes apart in the
// source and `toStride` apart in the target. A fixed width lets the compiler
// make each copy one move instead of a call: the packer copies every sample
// twice (into its channel, back into a chunk).
template <size_t Width>
void CopyValues(uint8_t* to, size_t toStride, const uint8_t* from, size_t fromStride,
                uint32_t count) {
  for (uint32_t i = 0; i < count; ++i, to += toStride, from += fromStride) {
    std::memcpy(to, from, Width);
  }
}

// 16-bit stereo, the common case, eight frames at a time: a channel's values
// sit in the low halves of 32-bit lanes (the right channel's too, read from
// two bytes on). Each loop stops while a frame follows the last one it
// touches, so the two bytes past a lane's value stay inside the data.
constexpr uint32_t kFramesPerVector = 8;

// One channel out of interleaved stereo into a run of its own values.
uint32_t GatherStereo16(uint8_t* to, const uint8_t* from, uint32_t count) {
  uint32_t done = 0;
  for (; done + kFramesPerVector < count; done += kFramesPerVector) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + done * 4));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + done * 4 + 16));
    const __m128i low = _mm_srai_epi32(_mm_slli_epi32(a, 16), 16);
    const __m128i high = _mm_srai_epi32(_mm_slli_epi32(b, 16), 16);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + done * 2), _mm_packs_epi32(low, high));
  }
  return done;
}

// A run of one channel's values into its slots of interleaved stereo,
// leaving the other channel's slots as they are.
uint32_t ScatterStereo16(uint8_t* to, const uint8_t* from, uint32_t count) {
  const __m128i keep = _mm_set1_epi32(static_cast<int32_t>(0xFFFF0000u));
  uint32_t done = 0;
  for (; done + kFramesPerVector < count; done += kFramesPerVector) {
    const __m128i values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + done * 2));
    auto* lanes = reinterpret_cast<__m128i*>(to + done * 4);
    const __m128i a = _mm_loadu_si128(lanes);
    const __m128i b = _mm_loadu_si128(lanes + 1);
    _mm_storeu_si128(lanes, _mm_or_si128(_mm_and_si128(a, keep),
                                         _mm_unpacklo_epi16(values, _mm_setzero_si128())));
    _mm_storeu_si128(lanes + 1, _mm_or_si128(_mm_and_si128(b, keep),
                                             _mm_unpackhi_epi16(values, _mm_setzero_si128())));
  }
  return done;
}

void CopyValues(size_t width, uint8_t* to, size_t toStride, const uint8_t* from, size_t fromStride,
                uint32_t count) {
  uint32_t done = 0;
  if (width == 2 && toStride == 2 && fromStride == 4) done = GatherStereo16(to, from, count);
  if (width == 2 && toStride == 4 && fromStride == 2) done = ScatterStereo16(to, from, count);
  to += done * toStride;
  from += done * fromStride;
  count -= done;
  switch (width) {
    case 2:
      return CopyValues<2>(to, toStride, from, fromStride, count);
    case 3:
      return CopyValues<3>(to, toStride, from, fromStride, count);
    case 4:
      return CopyValues<4>(to, toStride, from, fromStride, count);
    default:
      for (uint32_t i = 0; i < count; ++i, to += toStride, from += fromStride) {
        std::memcpy(to, from, width);
      }
  }
}

uint32_t Refuse(uint32_t result, const wchar_t* text) {
  ZEB_OutputW(L"ZEBQTLib", ZEB_INFO_ERROR, L"%s", text);
  return result;
}

SPlugAudioStreamInfo DefaultFormat() {
  SPlugAudioStreamInfo format{};
  format.size = sizeof(SPlugAudioStreamInfo);
  format.audioType = PLUG_AUDIO_TYPE_PCM_;
  format.channels = 2;
  format.bitsPerSample = 16;
  format.sampleRate = 48000;
  format.bitRate = 1536000;
  format.blockAlign = 2;
  format.reserved8 = format.reserved9 = format.reserved10 = 1;
  return format;
}

}  // namespace

CPCMAudioEncoder::CPCMAudioEncoder() : format_(DefaultFormat()) {}

CPCMAudioEncoder::~CPCMAudioEncoder() { Reset(); }

uint64_t CPCMAudioEncoder::ChannelCapacity(const SPlugAudioStreamInfo& format) {
  return (format.sampleRate + kCapacityExtraSamples) * (format.bitsPerSample / 8) * 2;
}

uint32_t CPCMAudioEncoder::Init(const SPlugAudioStreamInfo* format, uint32_t /*unused*/) {
  Reset();
  if (format == nullptr) return Refuse(ZEB_E_NULL_POINTER, L"CPCMAudioEncoder--Null audio format");
  const uint64_t bytesPerSample = format->bitsPerSample / 8;
  const uint64_t channels = format->channels;
  const uint64_t channelBytes = ChannelCapacity(*format) * channels;
  const uint64_t chunkBytes =
      uint64_t{static_cast<uint32_t>(chunkSamples_)} * bytesPerSample * channels;
  if (bytesPerSample == 0 || channels == 0 || channelBytes > kMaxBufferBytes ||
      chunkBytes > kMaxBufferBytes) {
    return Refuse(ZEB_E_AUDIO_ENCODER_PARAMS, L"CPCMAudioEncoder--Audio format not supported");
  }
  format_ = *format;
  bytesPerSample_ = static_cast<uint32_t>(bytesPerSample);
  format_.blockAlign = format_.channels * format_.bitsPerSample / 8;
  capacity_ = static_cast<uint32_t>(ChannelCapacity(format_));
  chunk_.assign(chunkBytes, 0);
  channels_.resize(format_.channels);
  for (Channel& channel : channels_) channel.buffer = std::make_unique<uint8_t[]>(capacity_);
  return ZEB_OK;
}

uint32_t CPCMAudioEncoder::SetChunkSize(int32_t samples) {
  if (samples < 1 ||
      uint64_t{static_cast<uint32_t>(samples)} * bytesPerSample_ > ChannelCapacity(format_))
    return Refuse(ZEB_E_OUT_OF_RANGE, L"CPCMAudioEncoder--Chunk size out of range");
  const int32_t previous = chunkSamples_;
  chunkSamples_ = samples;
  if (samples > previous) GrowChunkBuffer();
  return ZEB_OK;
}

// A smaller chunk keeps the larger buffer, so alternating sizes (1602, 1601,
// ...) never reallocate.
void CPCMAudioEncoder::GrowChunkBuffer() {
  const size_t need =
      size_t{bytesPerSample_} * format_.channels * static_cast<uint32_t>(chunkSamples_);
  if (need > chunk_.size()) chunk_.resize(need);
}

void CPCMAudioEncoder::MakeRoom(Channel& channel, uint32_t bytes) const {
  if (uint64_t{channel.readOffset} + channel.filled + bytes <= capacity_) return;
  std::memmove(channel.buffer.get(), channel.buffer.get() + channel.readOffset, channel.filled);
  channel.readOffset = 0;
}

void CPCMAudioEncoder::AppendSamples(Channel& channel, uint32_t index, const uint8_t* data,
                                     uint32_t frames, uint32_t stride) {
  uint8_t* to = channel.buffer.get() + channel.readOffset + channel.filled;
  const uint8_t* from = data + size_t{index} * bytesPerSample_;
  CopyValues(bytesPerSample_, to, bytesPerSample_, from, stride, frames);
  channel.filled += bytesPerSample_ * frames;
}

uint32_t CPCMAudioEncoder::PutInterleaved(const uint8_t* data, uint32_t size, uint32_t state) {
  if (size == 0 && state == PLUG_STREAMSTATE_END_) {
    for (Channel& channel : channels_) channel.state = PLUG_STREAMSTATE_END_;
    return ZEB_OK;
  }
  if (channels_.empty()) return ZEB_OK;
  if (data == nullptr && size != 0)
    return Refuse(ZEB_E_NULL_POINTER, L"CPCMAudioEncoder--Null audio data");
  // blockAlign / channels, the bytes of one channel in a frame, always equals
  // bytesPerSample_: blockAlign is channels x bits / 8.
  uint32_t frames = size / format_.blockAlign;
  for (uint32_t index = 0; index < channels_.size(); ++index) {
    Channel& channel = channels_[index];
    channel.state = state;
    MakeRoom(channel, bytesPerSample_ * frames);
    const uint32_t free = capacity_ - channel.readOffset - channel.filled;
    if (bytesPerSample_ * frames > free) {
      // Later channels take no more frames than this one, so channels stay aligned.
      if (free == 0) break;
      frames = free / bytesPerSample_;
    }
    AppendSamples(channel, index, data, frames, format_.blockAlign);
  }
  return ZEB_OK;
}

uint32_t CPCMAudioEncoder::PutChannel(uint32_t channelIndex, const uint8_t* data, uint32_t size,
                                      uint32_t state) {
  if (channelIndex >= channels_.size())
    return Refuse(ZEB_E_OUT_OF_RANGE, L"CPCMAudioEncoder--Channel index out of range");
  Channel& channel = channels_[channelIndex];
  if (size == 0 && state == PLUG_STREAMSTATE_END_) {
    channel.state = PLUG_STREAMSTATE_END_;
    return ZEB_OK;
  }
  if (data == nullptr && size != 0)
    return Refuse(ZEB_E_NULL_POINTER, L"CPCMAudioEncoder--Null audio data");
  channel.state = state;
  MakeRoom(channel, size);
  const uint32_t free = capacity_ - channel.readOffset - channel.filled;
  size = std::min(size, free);
  std::memcpy(channel.buffer.get() + channel.readOffset + channel.filled, data, size);
  channel.filled += size;
  return ZEB_OK;
}

bool CPCMAudioEncoder::AllEnded() const {
  return std::all_of(channels_.begin(), channels_.end(),
                     [](const Channel& channel) { return channel.state == PLUG_STREAMSTATE_END_; });
}

// Channels that ended early are topped up with silence to the longest one,
// so that the last chunks still carry every channel.
void CPCMAudioEncoder::PadEndedChannels() {
  uint32_t longest = 0;
  for (const Channel& channel : channels_) longest = std::max(longest, channel.filled);
  for (Channel& channel : channels_) {
    if (channel.state != PLUG_STREAMSTATE_END_ || channel.filled >= longest) continue;
    const uint32_t silence = longest - channel.filled;
    MakeRoom(channel, silence);
    std::memset(channel.buffer.get() + channel.readOffset + channel.filled, 0, silence);
    channel.filled = longest;
  }
}

// Takes `take` bytes from every channel into chunk_, one sample of each
// channel per frame.
void CPCMAudioEncoder::Interleave(uint32_t take) {
  const uint32_t frames = take / bytesPerSample_;
  const size_t frameBytes = size_t{bytesPerSample_} * channels_.size();
  for (size_t index = 0; index < channels_.size(); ++index) {
    Channel& channel = channels_[index];
    const uint8_t* from = channel.buffer.get() + channel.readOffset;
    uint8_t* to = chunk_.data() + index * bytesPerSample_;
    CopyValues(bytesPerSample_, to, frameBytes, from, bytesPerSample_, frames);
    channel.readOffset += take;
    channel.filled -= take;
  }
}

uint32_t CPCMAudioEncoder::GetChunk(const uint8_t** data, SPlugFrameInfo* info) {
  if (data == nullptr || info == nullptr)
    return Refuse(ZEB_E_NULL_POINTER, L"CPCMAudioEncoder--Null chunk pointer");
  info->streamType = PLUG_STREAM_TYPE_AUDIO_;
  info->decodePosition = kUnsetPosition;
  info->presentationPosition = kUnsetPosition;
  info->frameType = PLUG_FRAME_COMPRESS_TYPE_I_;
  info->dataSize = 0;
  info->unitCount = 1;
  info->privateKind = PLUG_PRIVATE_NONE;
  if (channels_.empty()) return ZEB_OK;

  const bool ended = AllEnded();
  PadEndedChannels();
  const uint32_t shortest =
      std::min_element(channels_.begin(), channels_.end(), [](const Channel& a, const Channel& b) {
        return a.filled < b.filled;
      })->filled;
  if (shortest == 0) return ZEB_OK;
  const uint32_t want = static_cast<uint32_t>(chunkSamples_) * bytesPerSample_;
  if (shortest < want && !ended) return ZEB_OK;
  const uint32_t take = std::min(shortest, want);

  Interleave(take);
  *data = chunk_.data();
  const bool drained = std::all_of(channels_.begin(), channels_.end(),
                                   [](const Channel& channel) { return channel.filled == 0; });
  info->streamState = ended && drained ? PLUG_STREAMSTATE_END_ : PLUG_STREAMSTATE_MORE_;
  info->dataSize = static_cast<uint32_t>(channels_.size()) * take;
  info->unitCount = take / bytesPerSample_;
  return ZEB_OK;
}

uint32_t CPCMAudioEncoder::Reset() {
  channels_ = std::vector<Channel>();
  chunk_ = std::vector<uint8_t>();
  return ZEB_OK;
}
