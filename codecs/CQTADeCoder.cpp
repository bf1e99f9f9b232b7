#include "codecs/CQTADeCoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

#include "core/LoadQuickTime.h"
#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"
#include "platform/movie/ByteReader.h"
#include "platform/movie/CompressionInfo.h"
#include "platform/movie/SoundDescriptionExtension.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

namespace codec = zeb::codec;
namespace sound = zeb::media::sound;
using zeb::media::FourCC;
using zeb::movie::ByteReader;
using zeb::movie::Handle;

constexpr uint32_t kOutputCapacity = 2304000;
constexpr int32_t kFillRecordSize = 68;

// The codes whose units the reader already delivers as little-endian
// integers: nothing to convert.
constexpr std::array kPassThrough = {FourCC("twos"), FourCC("sowt"), FourCC("in24"),
                                     FourCC("42ni"), FourCC("in32"), FourCC("23ni")};

// Hz in unsigned 16.16; rates of 65536 Hz and more saturate (the converter
// never resamples, so the rate only labels the PCM).
uint32_t FixedRate(double rate) {
  if (!std::isfinite(rate) || rate <= 0) return 0;
  return static_cast<uint32_t>(std::min(rate * 65536.0, 4294967295.0));
}

// 'lpcm' says its layout in the version-2 flags and bits per channel; the
// reader has already turned big-endian 16- and 24-bit values little-endian.
void SettleLinearPcm(const ByteReader& d, codec::SoundComponentData& input) {
  uint32_t flags = 0, bits = 0;
  if (!d.ReadNativeAt(sound::kFormatFlagsAt, flags).IsOk() ||
      !d.ReadNativeAt(sound::kBitsPerChannelAt, bits).IsOk() || bits == 0 || bits > 64) {
    return;
  }
  if ((flags & codec::kLinearPcmFloat) == 0 && (bits == 16 || bits == 24)) {
    flags &= ~static_cast<uint32_t>(codec::kLinearPcmBigEndian);
  }
  input.flags = static_cast<int32_t>(flags & 0x7);
  input.sampleSize = static_cast<int16_t>(bits);
}

}  // namespace

CQTADeCoder::CQTADeCoder() { LoadQuickTimeOnce(); }

CQTADeCoder::~CQTADeCoder() { Close(); }

uint32_t CQTADeCoder::ReadDescription(const uint8_t* description, uint32_t size) {
  if (description == nullptr) return ZEB_E_CODEC_50C;
  const ByteReader d({description, size});
  uint16_t version = 0;
  if (!d.ReadNativeAt(sound::kVersionAt, version).IsOk() ||
      !d.ReadNativeAt(zeb::media::kDescriptionFormatAt, input_.format).IsOk()) {
    return ZEB_E_CODEC_50C;
  }
  if (version == 2) {
    uint32_t framesPerPacket = 0, bytesPerPacket = 0, channels = 0;
    double rate = 0;
    if (!d.ReadNativeAt(sound::kFramesPerAudioPacketAt, framesPerPacket).IsOk() ||
        !d.ReadNativeAt(sound::kBytesPerAudioPacketAt, bytesPerPacket).IsOk() ||
        !d.ReadNativeAt(sound::kChannels32At, channels).IsOk() ||
        !d.ReadNativeAt(sound::kSampleRateF64At, rate).IsOk()) {
      return ZEB_E_CODEC_50C;
    }
    framesPerPacket_ = framesPerPacket == 0 ? 1 : framesPerPacket;
    variablePackets_ = bytesPerPacket == 0 ? 1 : 0;
    input_.numChannels = static_cast<int16_t>(channels & 0xFFFF);
    input_.sampleSize = 16;
    input_.sampleRate = FixedRate(rate);
    if (input_.format == FourCC("lpcm")) SettleLinearPcm(d, input_);
    return 0;
  }
  if (version > 2) return ZEB_E_CODEC_50C;
  uint16_t channels = 0, sampleSize = 0;
  int16_t compressionId = 0;
  if (!d.ReadNativeAt(sound::kChannelsAt, channels).IsOk() ||
      !d.ReadNativeAt(sound::kSampleSizeAt, sampleSize).IsOk() ||
      !d.ReadNativeAt(sound::kCompressionIdAt, compressionId).IsOk() ||
      !d.ReadNativeAt(sound::kSampleRateAt, input_.sampleRate).IsOk()) {
    return ZEB_E_CODEC_50C;
  }
  if (version == 1) {
    if (!d.ReadNativeAt(sound::kSamplesPerPacketAt, framesPerPacket_).IsOk()) {
      return ZEB_E_CODEC_50C;
    }
    variablePackets_ = compressionId == sound::kVariableCompressionId ? 1 : 0;
  } else {
    zeb::movie::CompressionInfo info;
    (void)zeb::movie::GetCompressionInfo(compressionId == 0 ? -1 : compressionId, input_.format,
                                         channels, sampleSize, info);
    framesPerPacket_ = 1;
    variablePackets_ = info.compressionId == sound::kVariableCompressionId ? 1 : 0;
  }
  input_.numChannels = static_cast<int16_t>(channels);
  input_.sampleSize = static_cast<int16_t>(sampleSize);
  return 0;
}

uint32_t CQTADeCoder::Open(const uint8_t* description, uint32_t size) {
  Close();
  input_ = {};
  const uint32_t read = ReadDescription(description, size);
  if (read != 0) return read;
  if (std::find(kPassThrough.begin(), kPassThrough.end(), input_.format) == kPassThrough.end()) {
    converting_ = 1;
    descriptionCopy_ = zeb::movie::NewHandle(size);
    if (descriptionCopy_ == nullptr) return ZEB_E_CODEC_50C;
    std::memcpy(*descriptionCopy_, description, size);
    const uint32_t opened = OpenConverter();
    if (opened != 0) return opened;
  }
  if (!AllocateOutput(kOutputCapacity)) return ZEB_E_AUDIO_DECODER_SETUP;
  opened_ = true;
  return 0;
}

uint32_t CQTADeCoder::OpenConverter() {
  codec::SoundComponentData output = input_;
  output.flags |= codec::kNoRealtimeProcessing;
  output.format = input_.sampleSize == 24   ? FourCC("in24")
                  : input_.sampleSize == 32 ? FourCC("23ni")
                                            : FourCC("sowt");
  output.sampleSize = input_.sampleSize == 24 || input_.sampleSize == 32 ? input_.sampleSize : 16;
  // The converter is opened for stereo at most; 'cpct' then gives it the
  // stream's own channel count.
  const int16_t channels = input_.numChannels;
  if (channels > 2) input_.numChannels = output.numChannels = 2;
  const codec::OSErr opened = codec::SoundConverterOpen(&input_, &output, &converter_);
  input_.numChannels = channels;
  if (opened != 0) return ZEB_E_CODEC_50C;
  (void)codec::SoundConverterSetInfo(converter_, codec::kSiClientAcceptsVBR,
                                     reinterpret_cast<const void*>(uintptr_t{1}));
  (void)codec::SoundConverterSetInfo(converter_, codec::kSiCompressionChannels, &channels);
  (void)codec::SoundConverterSetInfo(converter_, codec::kSiCompressionSampleRate,
                                     &input_.sampleRate);
  SetDecompressionParams();
  if (codec::SoundConverterBeginConversion(converter_) != 0) return ZEB_E_AUDIO_DECODER_SETUP;
  fill_ = {};
  fill_.data.desc = input_;
  fill_.data.desc.flags = codec::kExtendedSoundData;
  fill_.data.recordSize = kFillRecordSize;
  fill_.data.extendedFlags = codec::kExtendedSoundBufferSizeValid;
  if (variablePackets_ != 0) fill_.data.extendedFlags |= codec::kExtendedSoundCommonFrameSizeValid;
  return 0;
}

// The converter's configuration comes from the description's 'wave'; the
// converter's own view of it is read back and set again, as it may have
// completed it. A description with an 'esds' but no 'wave' (AAC in .mp4
// files) hands over its 'esds' instead.
void CQTADeCoder::SetDecompressionParams() {
  Handle extension = nullptr;
  if (zeb::movie::GetSoundDescriptionExtension(descriptionCopy_, FourCC("wave"), extension)
          .IsOk()) {
    (void)codec::SoundConverterSetInfo(converter_, codec::kSiDecompressionParams, extension);
    zeb::movie::DisposeHandle(extension);
  } else if (zeb::movie::GetSoundDescriptionExtension(descriptionCopy_, FourCC("esds"), extension)
                 .IsOk()) {
    (void)codec::SoundConverterSetInfo(converter_, codec::kSiEsdsParams, extension);
    zeb::movie::DisposeHandle(extension);
  }
  Handle current = nullptr;
  if (codec::SoundConverterGetInfo(converter_, codec::kSiDecompressionParams, &current) == 0 &&
      current != nullptr) {
    zeb::movie::HLock(current);
    (void)codec::SoundConverterSetInfo(converter_, codec::kSiDecompressionParams, current);
    zeb::movie::HUnlock(current);
    zeb::movie::DisposeHandle(current);
  }
}

bool CQTADeCoder::AllocateOutput(uint32_t capacity) {
  output_.reset(new (std::nothrow) uint8_t[capacity]);
  outputCapacity_ = output_ ? capacity : 0;
  return output_ != nullptr;
}

uint32_t CQTADeCoder::Decode(const uint8_t* data, uint32_t size, uint32_t count, uint8_t** out,
                             uint32_t* outSize) {
  *out = output_.get();
  *outSize = 0;
  if (!opened_ || data == nullptr) return 0;
  if (converting_ == 0) {
    if (size > outputCapacity_ && !AllocateOutput(size)) return 0;
    std::memcpy(output_.get(), data, size);
    *out = output_.get();
    *outSize = size;
    return 0;
  }
  fill_.data.desc.buffer = const_cast<uint8_t*>(data);
  fill_.data.bufferSize = static_cast<int32_t>(size);
  fill_.data.desc.sampleCount = static_cast<int32_t>(framesPerPacket_ * count);
  if (variablePackets_ != 0) {
    // Signed, as the record holds it; in 64 bits so that no quotient overflows.
    fill_.data.commonFrameSize = count == 0
                                     ? 0
                                     : static_cast<int32_t>(int64_t{static_cast<int32_t>(size)} /
                                                            int64_t{static_cast<int32_t>(count)});
  }
  fill_.hasData = size > 0;
  uint32_t frames = 0, flags = 0;
  (void)codec::SoundConverterFillBuffer(converter_, FillCallback, &fill_, output_.get(),
                                        outputCapacity_, outSize, &frames, &flags);
  return 0;
}

bool CQTADeCoder::FillCallback(codec::SoundComponentData** data, void* refCon) {
  auto& fill = *static_cast<FillRecord*>(refCon);
  if (fill.hasData) {
    fill.hasData = false;
    *data = &fill.data.desc;
    return true;
  }
  fill.data.bufferSize = 0;
  fill.data.commonFrameSize = 0;
  return false;
}

void CQTADeCoder::Close() {
  if (converter_ != nullptr) {
    (void)codec::SoundConverterEndConversion(converter_);
    (void)codec::SoundConverterClose(converter_);
    converter_ = nullptr;
  }
  output_.reset();
  outputCapacity_ = 0;
  zeb::movie::DisposeHandle(descriptionCopy_);
  descriptionCopy_ = nullptr;
  converting_ = 0;
  opened_ = false;
}
