#include "platform/codec/SoundEncoder.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "platform/codec/LibavObjects.h"
#include "platform/codec/SoundCompression.h"
#include "platform/codec/SoundEncoderFormats.h"
#include "platform/codec/SoundEncoderWave.h"
#include "platform/movie/CompressionInfo.h"
#include "platform/movie/FourCC.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace zeb::codec {

namespace {

using zeb::movie::FourCC;
using zeb::movie::kErrMemory;
using zeb::movie::kErrParam;
using zeb::movie::kNoErr;

struct ResamplerRelease {
  void operator()(SwrContext* resampler) const { swr_free(&resampler); }
};
struct FifoRelease {
  void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerRelease>;
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoRelease>;

// The FIFO's first size for codings of one sample a packet; it grows.
constexpr int kVariableFrameBlock = 4096;
// ISO/IEC 14496-3: the largest AAC packet of one channel, in bytes.
constexpr uint32_t kAacBufferBytesPerChannel = 768;

struct Packet {
  std::vector<uint8_t> bytes;
  uint32_t frames = 0;   // as the fill counts them
  uint32_t samples = 0;  // audio frames
};

AVSampleFormat InputSampleFormat(int16_t sampleSize) {
  switch (sampleSize) {
    case 8:
      return AV_SAMPLE_FMT_U8;
    case 16:
      return AV_SAMPLE_FMT_S16;
    default:
      return AV_SAMPLE_FMT_S32;  // 24-bit values are widened to 32
  }
}

// The encoder's first format, except for ALAC, which codes 16-bit input in
// 16 bits and wider input in 24 (carried in 32-bit planes).
AVSampleFormat EncoderSampleFormat(const AVCodec& codec, int16_t sampleSize) {
  if (codec.id == AV_CODEC_ID_ALAC)
    return sampleSize > 16 ? AV_SAMPLE_FMT_S32P : AV_SAMPLE_FMT_S16P;
  return codec.sample_fmts != nullptr ? codec.sample_fmts[0] : AV_SAMPLE_FMT_S16;
}

}  // namespace

struct SoundEncoderObject {
  SoundComponentData input;
  SoundComponentData output;
  const AVCodec* codec = nullptr;
  int channels = 0;
  uint32_t fixedRate = 0;  // 16.16
  int compressionLevel = FF_COMPRESSION_DEFAULT;
  uint32_t bitRate = 0;  // 0: the coding's own
  std::vector<uint8_t> params;

  CodecContextPtr context;
  ResamplerPtr resampler;
  FifoPtr fifo;
  FramePtr frame;
  PacketPtr packet;
  std::vector<uint8_t> widened;  // 8- and 24-bit input in the resampler's input format
  std::vector<uint8_t*> planes;  // converted input, one plane per channel (or one interleaved)
  std::vector<uint8_t> converted;
  std::deque<Packet> pending;               // encoded, not yet written
  std::vector<SoundEncoderPacket> written;  // by the last fill or end
  uint32_t largestPacket = 0;
  bool begun = false;

  int FrameSize() const {
    return context->frame_size > 0 ? context->frame_size : kVariableFrameBlock;
  }
  bool OneSamplePackets() const { return context->frame_size == 0; }
  int Rate() const { return static_cast<int>((fixedRate + 0x8000u) >> 16); }
};

namespace {

void Teardown(SoundEncoderObject& encoder) {
  encoder.context.reset();
  encoder.resampler.reset();
  encoder.fifo.reset();
  encoder.pending.clear();
  encoder.begun = false;
}

OSErr OpenContext(SoundEncoderObject& encoder) {
  CodecContextPtr context(avcodec_alloc_context3(encoder.codec));
  if (!context) return kErrMemory;
  context->sample_rate = encoder.Rate();
  context->time_base = AVRational{1, context->sample_rate};
  context->sample_fmt = EncoderSampleFormat(*encoder.codec, encoder.input.sampleSize);
  av_channel_layout_default(&context->ch_layout, encoder.channels);
  if (encoder.codec->id == AV_CODEC_ID_ALAC) {
    context->bits_per_raw_sample = encoder.input.sampleSize > 16 ? 24 : 16;
  }
  if (HasBitRate(encoder.output.format)) {
    context->bit_rate = encoder.bitRate != 0
                            ? encoder.bitRate
                            : int64_t{DefaultBitRate(static_cast<uint32_t>(encoder.channels))};
  }
  context->compression_level = encoder.compressionLevel;
  context->thread_count = 1;
  if (avcodec_open2(context.get(), encoder.codec, nullptr) < 0) return kEncoderFailedErr;
  encoder.context = std::move(context);
  return kNoErr;
}

OSErr OpenResampler(SoundEncoderObject& encoder) {
  SwrContext* resampler = nullptr;
  const AVCodecContext& context = *encoder.context;
  AVChannelLayout layout = context.ch_layout;  // the resampler neither remixes nor keeps it
  if (swr_alloc_set_opts2(&resampler, &layout, context.sample_fmt, context.sample_rate, &layout,
                          InputSampleFormat(encoder.input.sampleSize), context.sample_rate, 0,
                          nullptr) < 0) {
    return kErrMemory;
  }
  encoder.resampler.reset(resampler);
  if (swr_init(resampler) < 0) return kEncoderFailedErr;
  encoder.fifo.reset(
      av_audio_fifo_alloc(context.sample_fmt, encoder.channels, encoder.FrameSize()));
  encoder.frame.reset(av_frame_alloc());
  encoder.packet.reset(av_packet_alloc());
  if (!encoder.fifo || !encoder.frame || !encoder.packet) return kErrMemory;
  return kNoErr;
}

// Opens the encoder with the channels and rate set so far, once.
OSErr Settle(SoundEncoderObject& encoder) {
  if (encoder.context) return kNoErr;
  OSErr result = OpenContext(encoder);
  if (result == kNoErr) result = OpenResampler(encoder);
  if (result != kNoErr) Teardown(encoder);
  return result;
}

// The input as the resampler takes it: 16- and 32-bit values as they are,
// 8-bit signed values as offset binary, 24-bit values widened to 32 bits.
const uint8_t* ResamplerInput(SoundEncoderObject& encoder, const uint8_t* pcm, size_t values) {
  const int16_t bits = encoder.input.sampleSize;
  if (bits == 16 || bits == 32) return pcm;
  if (bits == 8) {
    encoder.widened.resize(values);
    for (size_t i = 0; i < values; ++i) encoder.widened[i] = static_cast<uint8_t>(pcm[i] ^ 0x80);
    return encoder.widened.data();
  }
  encoder.widened.resize(values * 4);
  for (size_t i = 0; i < values; ++i) {
    const uint8_t* value = pcm + i * 3;
    const uint32_t widened =
        (uint32_t{value[0]} << 8) | (uint32_t{value[1]} << 16) | (uint32_t{value[2]} << 24);
    std::memcpy(encoder.widened.data() + i * 4, &widened, 4);
  }
  return encoder.widened.data();
}

OSErr QueueInput(SoundEncoderObject& encoder, const uint8_t* pcm, int frames) {
  const AVCodecContext& context = *encoder.context;
  const uint8_t* in = ResamplerInput(encoder, pcm, size_t(frames) * encoder.channels);
  const bool planar = av_sample_fmt_is_planar(context.sample_fmt) != 0;
  const int planeCount = planar ? encoder.channels : 1;
  int lineSize = 0;
  const int bytes =
      av_samples_get_buffer_size(&lineSize, encoder.channels, frames, context.sample_fmt, 1);
  if (bytes < 0) return kEncoderFailedErr;
  encoder.converted.resize(size_t(bytes));
  encoder.planes.assign(size_t(planeCount), nullptr);
  for (int p = 0; p < planeCount; ++p) encoder.planes[p] = encoder.converted.data() + p * lineSize;
  const int done = swr_convert(encoder.resampler.get(), encoder.planes.data(), frames, &in, frames);
  if (done < 0) return kEncoderFailedErr;
  if (av_audio_fifo_write(encoder.fifo.get(), reinterpret_cast<void**>(encoder.planes.data()),
                          done) < done) {
    return kErrMemory;
  }
  return kNoErr;
}

OSErr ReceivePackets(SoundEncoderObject& encoder) {
  for (;;) {
    const int received = avcodec_receive_packet(encoder.context.get(), encoder.packet.get());
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return kNoErr;
    if (received < 0) return kEncoderFailedErr;
    const AVPacket& packet = *encoder.packet;
    Packet queued;
    queued.bytes.assign(packet.data, packet.data + packet.size);
    queued.samples = packet.duration > 0 ? static_cast<uint32_t>(packet.duration)
                                         : static_cast<uint32_t>(encoder.FrameSize());
    queued.frames = encoder.OneSamplePackets() ? queued.samples : 1;
    encoder.largestPacket = std::max(encoder.largestPacket, static_cast<uint32_t>(packet.size));
    encoder.pending.push_back(std::move(queued));
    av_packet_unref(encoder.packet.get());
  }
}

// Sends `frames` from the FIFO (padded with silence to `padTo`) and collects
// what the encoder gives back.
OSErr EncodeFromFifo(SoundEncoderObject& encoder, int frames, int padTo) {
  AVFrame& frame = *encoder.frame;
  av_frame_unref(&frame);
  frame.nb_samples = std::max(frames, padTo);
  frame.format = encoder.context->sample_fmt;
  frame.sample_rate = encoder.context->sample_rate;
  if (av_channel_layout_copy(&frame.ch_layout, &encoder.context->ch_layout) < 0 ||
      av_frame_get_buffer(&frame, 0) < 0) {
    return kErrMemory;
  }
  if (av_audio_fifo_read(encoder.fifo.get(), reinterpret_cast<void**>(frame.extended_data),
                         frames) < frames) {
    return kEncoderFailedErr;
  }
  if (frame.nb_samples > frames) {
    av_samples_set_silence(frame.extended_data, frames, frame.nb_samples - frames, encoder.channels,
                           encoder.context->sample_fmt);
  }
  if (avcodec_send_frame(encoder.context.get(), &frame) < 0) return kEncoderFailedErr;
  return ReceivePackets(encoder);
}

// Codings of one sample a packet take all the waiting PCM at once.
OSErr EncodeWholePackets(SoundEncoderObject& encoder) {
  const int waiting = av_audio_fifo_size(encoder.fifo.get());
  if (encoder.OneSamplePackets()) return waiting > 0 ? EncodeFromFifo(encoder, waiting, 0) : kNoErr;
  const int size = encoder.FrameSize();
  while (av_audio_fifo_size(encoder.fifo.get()) >= size) {
    if (const OSErr result = EncodeFromFifo(encoder, size, 0); result != kNoErr) return result;
  }
  return kNoErr;
}

// Moves waiting packets into `output` while they fit, in order.
void WritePending(SoundEncoderObject& encoder, uint8_t* output, uint32_t room, uint32_t& bytes,
                  uint32_t& frames) {
  bytes = 0;
  frames = 0;
  encoder.written.clear();
  while (!encoder.pending.empty() && encoder.pending.front().bytes.size() <= room - bytes) {
    const Packet& packet = encoder.pending.front();
    std::memcpy(output + bytes, packet.bytes.data(), packet.bytes.size());
    bytes += static_cast<uint32_t>(packet.bytes.size());
    frames += packet.frames;
    encoder.written.push_back({static_cast<uint32_t>(packet.bytes.size()), packet.samples});
    encoder.pending.pop_front();
  }
}

bool ValidInput(const SoundComponentData& input) {
  const int16_t bits = input.sampleSize;
  return input.format == FourCC("sowt") && (bits == 8 || bits == 16 || bits == 24 || bits == 32) &&
         (input.numChannels == 1 || input.numChannels == 2) && input.sampleRate >= 0x10000;
}

OSErr CompressionInfoOf(SoundEncoderObject& encoder, SoundCompressionInfo& info) {
  if (const OSErr settled = Settle(encoder); settled != kNoErr) return settled;
  zeb::movie::CompressionInfo known;
  (void)zeb::movie::GetCompressionInfo(0, encoder.output.format,
                                       static_cast<uint16_t>(encoder.channels),
                                       static_cast<uint16_t>(encoder.input.sampleSize), known);
  if (zeb::movie::IsPcmFormat(encoder.output.format)) {
    const int bytes = av_get_bits_per_sample(encoder.codec->id) / 8;
    known.bytesPerPacket = static_cast<uint32_t>(bytes);
    known.bytesPerFrame = static_cast<uint32_t>(bytes * encoder.channels);
    known.bytesPerSample = static_cast<uint32_t>(bytes);
  }
  info.format = encoder.output.format;
  info.compressionID = known.compressionId;
  // The encoder's own packet length: MP3 at the lower rates has half-length frames.
  info.samplesPerPacket =
      static_cast<uint16_t>(encoder.OneSamplePackets() ? 1 : encoder.context->frame_size);
  info.bytesPerPacket = static_cast<uint16_t>(known.bytesPerPacket);
  info.bytesPerFrame = static_cast<uint16_t>(known.bytesPerFrame);
  info.bytesPerSample = static_cast<uint16_t>(known.bytesPerSample);
  info.futureUse = 0;
  return kNoErr;
}

// A bit rate applies from the next time the encoder is set up.
OSErr SetBitRate(SoundEncoderObject& encoder, uint32_t bitRate) {
  encoder.bitRate = bitRate;
  if (!encoder.begun) Teardown(encoder);
  return kNoErr;
}

OSErr WaveParams(SoundEncoderObject& encoder, zeb::movie::Handle* handle) {
  if (const OSErr settled = Settle(encoder); settled != kNoErr) return settled;
  const AVCodecContext& context = *encoder.context;
  const std::span<const uint8_t> config(context.extradata, size_t(context.extradata_size));
  const auto payload =
      BuildWavePayload(encoder.output.format, config, static_cast<uint32_t>(context.bit_rate),
                       kAacBufferBytesPerChannel * static_cast<uint32_t>(encoder.channels));
  if (!payload) return kSiUnknownInfoType;
  *handle = zeb::movie::NewHandle(payload->size());
  if (*handle == nullptr) return kErrMemory;
  std::memcpy(**handle, payload->data(), payload->size());
  return kNoErr;
}

}  // namespace

OSErr SoundEncoderOpen(const SoundComponentData* input, const SoundComponentData* output,
                       SoundEncoder* encoder) {
  if (input == nullptr || output == nullptr || encoder == nullptr) return kErrParam;
  *encoder = nullptr;
  if (!ValidInput(*input)) return kBadFormatErr;
  const char* name = SoundEncoderName(output->format, input->sampleSize);
  const AVCodec* codec = name != nullptr ? avcodec_find_encoder_by_name(name) : nullptr;
  if (codec == nullptr) return kBadFormatErr;
  auto* object = new (std::nothrow) SoundEncoderObject();
  if (object == nullptr) return kErrMemory;
  object->input = *input;
  object->output = *output;
  object->codec = codec;
  object->channels = input->numChannels;
  object->fixedRate = input->sampleRate;
  *encoder = object;
  return kNoErr;
}

void SoundEncoderClose(SoundEncoder encoder) { delete encoder; }

OSErr SoundEncoderSetInfo(SoundEncoder encoder, uint32_t selector, const void* info) {
  if (encoder == nullptr) return kErrParam;
  switch (selector) {
    case kSiClientAcceptsVBR:
      return kNoErr;  // every coding here may give packets of their own size
    case kSiCompressionChannels: {
      if (info == nullptr) return kErrParam;
      const int16_t channels = *static_cast<const int16_t*>(info);
      if (channels != encoder->input.numChannels) return kErrParam;  // no remixing
      return kNoErr;
    }
    case kSiCompressionSampleRate: {
      if (info == nullptr) return kErrParam;
      if (*static_cast<const uint32_t*>(info) != encoder->fixedRate) return kErrParam;
      return kNoErr;  // no resampling
    }
    case kEncoderCompressionLevel:
      if (info == nullptr) return kErrParam;
      encoder->compressionLevel = *static_cast<const int32_t*>(info);
      if (!encoder->begun) Teardown(*encoder);
      return kNoErr;
    case kEncoderBitRate:
      if (info == nullptr) return kErrParam;
      return SetBitRate(*encoder, *static_cast<const uint32_t*>(info));
    case kEncoderParams: {
      const auto handle = static_cast<zeb::movie::Handle>(const_cast<void*>(info));
      if (handle == nullptr || *handle == nullptr) return kErrParam;
      const std::span<const uint8_t> bytes(*handle, zeb::movie::GetHandleSize(handle));
      if (const auto settings = ParseSoundCodecSettings(bytes)) {
        if (settings->format != encoder->output.format) return kErrParam;
        return SetBitRate(*encoder, settings->bitRate);
      }
      encoder->params.assign(bytes.begin(), bytes.end());
      return kNoErr;
    }
    default:
      return kSiUnknownInfoType;
  }
}

OSErr SoundEncoderGetInfo(SoundEncoder encoder, uint32_t selector, void* info) {
  if (encoder == nullptr || info == nullptr) return kErrParam;
  switch (selector) {
    case kEncoderCompressionInfo: {
      auto* compression = static_cast<SoundCompressionInfo*>(info);
      if (compression->recordSize < static_cast<int32_t>(sizeof(SoundCompressionInfo)))
        return kErrParam;
      return CompressionInfoOf(*encoder, *compression);
    }
    case kEncoderParams:
      *static_cast<zeb::movie::Handle*>(info) = nullptr;
      return WaveParams(*encoder, static_cast<zeb::movie::Handle*>(info));
    default:
      return kSiUnknownInfoType;
  }
}

OSErr SoundEncoderBeginConversion(SoundEncoder encoder) {
  if (encoder == nullptr) return kErrParam;
  if (const OSErr settled = Settle(*encoder); settled != kNoErr) return settled;
  encoder->begun = true;
  return kNoErr;
}

OSErr SoundEncoderFillBuffer(SoundEncoder encoder, SoundConverterFillBufferDataProc fill,
                             void* refCon, uint8_t* output, uint32_t outputBytes,
                             uint32_t* bytesWritten, uint32_t* framesWritten,
                             uint32_t* outputFlags) {
  if (encoder == nullptr || fill == nullptr || output == nullptr || bytesWritten == nullptr ||
      framesWritten == nullptr || outputFlags == nullptr) {
    return kErrParam;
  }
  *bytesWritten = 0;
  *framesWritten = 0;
  *outputFlags = 0;
  encoder->written.clear();
  if (!encoder->begun) return kNotOpenErr;
  OSErr result = kNoErr;
  SoundComponentData* data = nullptr;
  while (result == kNoErr && fill(&data, refCon) && data != nullptr && data->sampleCount > 0 &&
         data->buffer != nullptr) {
    result = QueueInput(*encoder, data->buffer, data->sampleCount);
  }
  if (result == kNoErr) result = EncodeWholePackets(*encoder);
  WritePending(*encoder, output, outputBytes, *bytesWritten, *framesWritten);
  if (!encoder->pending.empty()) *outputFlags |= kSoundConverterHasLeftOverData;
  return result;
}

OSErr SoundEncoderEndConversion(SoundEncoder encoder, uint8_t* output, uint32_t outputBytes,
                                uint32_t* framesWritten, uint32_t* bytesWritten) {
  if (encoder == nullptr || output == nullptr || framesWritten == nullptr ||
      bytesWritten == nullptr) {
    return kErrParam;
  }
  *framesWritten = 0;
  *bytesWritten = 0;
  encoder->written.clear();
  if (!encoder->begun) return kNotOpenErr;
  OSErr result = EncodeWholePackets(*encoder);
  const int left = av_audio_fifo_size(encoder->fifo.get());
  if (result == kNoErr && left > 0) {
    const bool shortPackets = encoder->OneSamplePackets() ||
                              (encoder->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
    result = EncodeFromFifo(*encoder, left, shortPackets ? 0 : encoder->FrameSize());
  }
  if (result == kNoErr) {
    result = avcodec_send_frame(encoder->context.get(), nullptr) < 0 ? kEncoderFailedErr
                                                                     : ReceivePackets(*encoder);
  }
  WritePending(*encoder, output, outputBytes, *bytesWritten, *framesWritten);
  // A drained encoder takes no more frames: the next conversion opens it again.
  Teardown(*encoder);
  return result;
}

std::span<const SoundEncoderPacket> SoundEncoderPackets(SoundEncoder encoder) {
  if (encoder == nullptr) return {};
  return encoder->written;
}

}  // namespace zeb::codec
