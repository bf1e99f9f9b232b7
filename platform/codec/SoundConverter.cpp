#include "platform/codec/SoundConverter.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "platform/codec/EsDescriptor.h"
#include "platform/codec/ImageCodec.h"
#include "platform/codec/LibavObjects.h"
#include "platform/codec/SoundFormats.h"
#include "platform/movie/AtomHeader.h"
#include "platform/movie/ByteReader.h"
#include "platform/movie/FourCC.h"

extern "C" {
#include <libswresample/swresample.h>
}

namespace zeb::codec {

namespace {

using zeb::movie::FourCC;
using zeb::movie::Handle;

struct ResamplerRelease {
  void operator()(SwrContext* resampler) const { swr_free(&resampler); }
};
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerRelease>;

// libavcodec reads its rate from the stream for every coded format; PCM needs
// one for its frames only, and the rate is never changed.
constexpr int kFallbackRate = 48000;

std::vector<uint8_t> BytesOf(Handle handle) {
  if (handle == nullptr || *handle == nullptr) return {};
  return {*handle, *handle + zeb::movie::GetHandleSize(handle)};
}

// The decoder configuration a 'wave' payload carries: the DecoderSpecificInfo
// of its 'esds', or its whole 'alac' atom (which is how libavcodec's ALAC
// decoder takes it). The walk stops at the terminator or where framing breaks.
std::vector<uint8_t> ConfigurationInWave(const std::vector<uint8_t>& wave) {
  zeb::movie::ByteReader atoms(wave, 0, "wave", 1);
  for (;;) {
    const size_t at = atoms.Position();
    std::optional<zeb::movie::AtomHeader> header;
    zeb::movie::ByteReader payload;
    if (!zeb::movie::NextChild(atoms, header, payload).IsOk() || !header || header->type == 0) {
      return {};
    }
    std::vector<uint8_t> configuration;
    if (header->type == FourCC("esds") &&
        DecoderSpecificInfo(payload.Rest(), configuration).IsOk()) {
      return configuration;
    }
    if (header->type == FourCC("alac")) {
      return {wave.begin() + static_cast<long>(at),
              wave.begin() + static_cast<long>(atoms.Position())};
    }
  }
}

}  // namespace

struct SoundConverterObject {
  SoundComponentData input;
  SoundComponentData output;
  AVCodecID codecId = AV_CODEC_ID_NONE;
  OutputLayout layout;
  bool acceptsVbr = false;
  std::vector<uint8_t> wave;
  std::vector<uint8_t> esds;
  CodecContextPtr context;
  PacketPtr packet;
  FramePtr frame;
  ResamplerPtr resampler;
  AVSampleFormat resamplerFormat = AV_SAMPLE_FMT_NONE;
  AVChannelLayout resamplerLayout{};
  int resamplerRate = 0;
  std::vector<uint8_t> padded;     // the unit being decoded, with libavcodec's padding
  std::vector<uint8_t> converted;  // one frame as libswresample writes it
  std::vector<uint8_t> leftOver;   // PCM that did not fit the last output buffer
  size_t leftOverAt = 0;

  ~SoundConverterObject() { av_channel_layout_uninit(&resamplerLayout); }

  int Channels() const { return std::max<int>(1, input.numChannels); }
  // HE-AAC decodes at twice the rate of its core, which is what many sound
  // descriptions say (and the stream's record with them): the PCM is brought
  // to that rate so that its length matches. Other rates are kept.
  int OutputRate(int decodedRate) const { return decodedRate == 2 * Rate() ? Rate() : decodedRate; }
  int Rate() const {
    const int rate = static_cast<int>(input.sampleRate >> 16);
    return rate > 0 ? rate : kFallbackRate;
  }
  std::vector<uint8_t> Configuration() const;
  OSErr Begin();
  OSErr DecodeUnit(const SoundComponentData& data);
  bool Deliver(const AVFrame& decoded);
  bool PrepareResampler(const AVFrame& decoded);
};

std::vector<uint8_t> SoundConverterObject::Configuration() const {
  if (!wave.empty()) {
    std::vector<uint8_t> configuration = ConfigurationInWave(wave);
    if (!configuration.empty()) return configuration;
  }
  std::vector<uint8_t> configuration;
  if (!esds.empty() && DecoderSpecificInfo(esds, configuration).IsOk()) return configuration;
  return {};
}

OSErr SoundConverterObject::Begin() {
  const AVCodec* codec = avcodec_find_decoder(codecId);
  if (codec == nullptr) return kBadFormatErr;
  context.reset(avcodec_alloc_context3(codec));
  packet.reset(av_packet_alloc());
  frame.reset(av_frame_alloc());
  if (!context || !packet || !frame) return kMemFullErr;
  av_channel_layout_default(&context->ch_layout, Channels());
  context->sample_rate = Rate();
  context->bits_per_coded_sample = input.sampleSize;
  // Decoding stays on the caller's thread, one unit at a time.
  context->thread_count = 1;
  const std::vector<uint8_t> configuration = Configuration();
  if (!configuration.empty()) {
    context->extradata =
        static_cast<uint8_t*>(av_mallocz(configuration.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (context->extradata == nullptr) return kMemFullErr;
    std::memcpy(context->extradata, configuration.data(), configuration.size());
    context->extradata_size = static_cast<int>(configuration.size());
  }
  if (avcodec_open2(context.get(), codec, nullptr) < 0) {
    context.reset();
    return kBadFormatErr;
  }
  return 0;
}

// The PCM has the stream's channel count. A coding that decodes to another
// (mono AAC under a description that says two, as phones write it) is mixed
// to it; one channel goes to every output channel at full level.
bool SoundConverterObject::PrepareResampler(const AVFrame& decoded) {
  const auto format = static_cast<AVSampleFormat>(decoded.format);
  const int rate = decoded.sample_rate > 0 ? decoded.sample_rate : Rate();
  if (resampler && format == resamplerFormat && rate == resamplerRate &&
      av_channel_layout_compare(&decoded.ch_layout, &resamplerLayout) == 0) {
    return true;
  }
  resampler.reset();
  av_channel_layout_uninit(&resamplerLayout);
  AVChannelLayout target{};
  if (decoded.ch_layout.nb_channels == Channels()) {
    if (av_channel_layout_copy(&target, &decoded.ch_layout) < 0) return false;
  } else {
    av_channel_layout_default(&target, Channels());
  }
  SwrContext* made = nullptr;
  // libswresample 4 takes the layouts by non-const pointer, and only reads them.
  auto* channels = const_cast<AVChannelLayout*>(&decoded.ch_layout);
  const int allocated = swr_alloc_set_opts2(&made, &target, layout.conversion, OutputRate(rate),
                                            channels, format, rate, 0, nullptr);
  av_channel_layout_uninit(&target);
  if (allocated < 0) return false;
  resampler.reset(made);
  // libswresample's own mix would put the one channel 3 dB down on each.
  const std::vector<double> everyOutputTakesIt(static_cast<size_t>(Channels()), 1.0);
  const bool upmix = decoded.ch_layout.nb_channels == 1 && Channels() > 1;
  if ((upmix && swr_set_matrix(made, everyOutputTakesIt.data(), 1) < 0) || swr_init(made) < 0 ||
      av_channel_layout_copy(&resamplerLayout, &decoded.ch_layout) < 0) {
    resampler.reset();
    return false;
  }
  resamplerFormat = format;
  resamplerRate = rate;
  return true;
}

// Converts one decoded frame to the output format and queues it.
bool SoundConverterObject::Deliver(const AVFrame& decoded) {
  if (decoded.nb_samples <= 0 || !PrepareResampler(decoded)) return false;
  const int channels = Channels();
  const int room = swr_get_out_samples(resampler.get(), decoded.nb_samples);
  if (room < 0) return false;
  const size_t values = static_cast<size_t>(room) * static_cast<size_t>(channels);
  converted.resize(values * static_cast<size_t>(av_get_bytes_per_sample(layout.conversion)));
  uint8_t* target = converted.data();
  const int frames =
      swr_convert(resampler.get(), &target, room,
                  const_cast<const uint8_t**>(decoded.extended_data), decoded.nb_samples);
  if (frames < 0) return false;
  const size_t count = static_cast<size_t>(frames) * static_cast<size_t>(channels);
  if (layout.bytes == av_get_bytes_per_sample(layout.conversion)) {
    leftOver.insert(
        leftOver.end(), converted.begin(),
        converted.begin() + static_cast<long>(count * static_cast<size_t>(layout.bytes)));
    return true;
  }
  // 24-bit output: the top three bytes of each little-endian 32-bit value.
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* value = converted.data() + i * 4;
    leftOver.insert(leftOver.end(), value + 1, value + 4);
  }
  return true;
}

// Bytes of the unit: the extended record says; a plain one holds sampleCount
// frames of PCM values.
int32_t UnitBytes(const SoundComponentData& data) {
  if ((data.flags & kExtendedSoundData) != 0) {
    const auto& extended = reinterpret_cast<const ExtendedSoundComponentData&>(data);
    if ((extended.extendedFlags & kExtendedSoundBufferSizeValid) != 0) return extended.bufferSize;
  }
  const int64_t bytes = int64_t{data.sampleCount} * std::max<int32_t>(1, data.numChannels) *
                        std::max<int32_t>(1, data.sampleSize / 8);
  return static_cast<int32_t>(std::clamp<int64_t>(bytes, 0, INT32_MAX));
}

// A unit of several packets goes to the decoder whole: the coded formats with
// packets of varying size (AAC, MP3, AC-3) take it packet by packet, PCM and
// IMA 4:1 decode any number of values or blocks.
OSErr SoundConverterObject::DecodeUnit(const SoundComponentData& data) {
  const int32_t size = UnitBytes(data);
  if (size <= 0 || data.buffer == nullptr) return 0;
  padded.assign(static_cast<size_t>(size) + AV_INPUT_BUFFER_PADDING_SIZE, 0);
  std::memcpy(padded.data(), data.buffer, static_cast<size_t>(size));
  packet->data = padded.data();
  packet->size = size;
  OSErr result = avcodec_send_packet(context.get(), packet.get()) < 0 ? kCodecBadDataErr : 0;
  packet->data = nullptr;
  packet->size = 0;
  for (;;) {
    const int received = avcodec_receive_frame(context.get(), frame.get());
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) break;
    if (received < 0) {
      result = kCodecBadDataErr;
      break;
    }
    if (!Deliver(*frame)) result = kCodecBadDataErr;
    av_frame_unref(frame.get());
  }
  return result;
}

OSErr SoundConverterOpen(const SoundComponentData* inputFormat,
                         const SoundComponentData* outputFormat, SoundConverter* converter) {
  if (converter == nullptr) return kParamErr;
  *converter = nullptr;
  if (inputFormat == nullptr || outputFormat == nullptr) return kParamErr;
  const AVCodecID codecId =
      SoundDecoderId(inputFormat->format, inputFormat->sampleSize, inputFormat->flags);
  const OutputLayout layout = SoundOutputLayout(outputFormat->format);
  if (codecId == AV_CODEC_ID_NONE || avcodec_find_decoder(codecId) == nullptr ||
      layout.conversion == AV_SAMPLE_FMT_NONE) {
    return kBadFormatErr;
  }
  auto* made = new (std::nothrow) SoundConverterObject;
  if (made == nullptr) return kMemFullErr;
  made->input = *inputFormat;
  made->output = *outputFormat;
  made->codecId = codecId;
  made->layout = layout;
  *converter = made;
  return 0;
}

OSErr SoundConverterClose(SoundConverter converter) {
  delete converter;
  return 0;
}

OSErr SoundConverterSetInfo(SoundConverter converter, uint32_t selector, const void* info) {
  if (converter == nullptr) return kParamErr;
  switch (selector) {
    case kSiClientAcceptsVBR:
      converter->acceptsVbr = info != nullptr;
      return 0;
    case kSiCompressionChannels:
      if (info == nullptr || *static_cast<const int16_t*>(info) <= 0) return kParamErr;
      converter->input.numChannels = converter->output.numChannels =
          *static_cast<const int16_t*>(info);
      return 0;
    case kSiCompressionSampleRate:
      if (info == nullptr) return kParamErr;
      converter->input.sampleRate = converter->output.sampleRate =
          *static_cast<const uint32_t*>(info);
      return 0;
    case kSiDecompressionParams:
      converter->wave = BytesOf(static_cast<Handle>(const_cast<void*>(info)));
      return 0;
    case kSiEsdsParams:
      converter->esds = BytesOf(static_cast<Handle>(const_cast<void*>(info)));
      return 0;
    default:
      return kSiUnknownInfoType;
  }
}

OSErr SoundConverterGetInfo(SoundConverter converter, uint32_t selector, void* info) {
  if (converter == nullptr || info == nullptr) return kParamErr;
  if (selector != kSiDecompressionParams) return kSiUnknownInfoType;
  Handle& copy = *static_cast<Handle*>(info);
  copy = nullptr;
  if (converter->wave.empty()) return 0;
  copy = zeb::movie::NewHandle(converter->wave.size());
  if (copy == nullptr) return kMemFullErr;
  std::memcpy(*copy, converter->wave.data(), converter->wave.size());
  return 0;
}

OSErr SoundConverterBeginConversion(SoundConverter converter) {
  if (converter == nullptr) return kParamErr;
  converter->leftOver.clear();
  converter->leftOverAt = 0;
  return converter->Begin();
}

OSErr SoundConverterFillBuffer(SoundConverter converter, SoundConverterFillBufferDataProc fill,
                               void* refCon, void* outputBuffer, uint32_t outputBufferByteSize,
                               uint32_t* bytesWritten, uint32_t* framesWritten,
                               uint32_t* outputFlags) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  if (framesWritten != nullptr) *framesWritten = 0;
  if (outputFlags != nullptr) *outputFlags = 0;
  if (converter == nullptr || fill == nullptr || (outputBuffer == nullptr && outputBufferByteSize))
    return kParamErr;
  if (!converter->context) return kNotOpenErr;
  auto* out = static_cast<uint8_t*>(outputBuffer);
  uint32_t written = 0;
  uint32_t flags = 0;
  OSErr result = 0;
  for (;;) {
    auto& pending = converter->leftOver;
    const size_t take =
        std::min<size_t>(pending.size() - converter->leftOverAt, outputBufferByteSize - written);
    if (take != 0) std::memcpy(out + written, pending.data() + converter->leftOverAt, take);
    written += static_cast<uint32_t>(take);
    converter->leftOverAt += take;
    if (converter->leftOverAt < pending.size()) {
      flags |= kSoundConverterHasLeftOverData;
      break;
    }
    pending.clear();
    converter->leftOverAt = 0;
    SoundComponentData* data = nullptr;
    if (!fill(&data, refCon) || data == nullptr) {
      flags |= kSoundConverterDidntFillBuffer;
      break;
    }
    const OSErr decoded = converter->DecodeUnit(*data);
    if (decoded != 0) result = decoded;
  }
  const int channels = converter->Channels();
  if (bytesWritten != nullptr) *bytesWritten = written;
  if (framesWritten != nullptr)
    *framesWritten = written / static_cast<uint32_t>(channels * converter->layout.bytes);
  if (outputFlags != nullptr) *outputFlags = flags;
  return result;
}

OSErr SoundConverterEndConversion(SoundConverter converter) {
  if (converter == nullptr) return kParamErr;
  converter->context.reset();
  converter->resampler.reset();
  converter->leftOver.clear();
  converter->leftOverAt = 0;
  return 0;
}

}  // namespace zeb::codec
