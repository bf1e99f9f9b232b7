#include "tools/zebqt/AudioStoredForm.h"

#include <algorithm>
#include <cstring>

#include "media/CodecTraits.h"
#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"
#include "platform/movie/ByteReader.h"
#include "tools/zebqt/Failure.h"
#include "tools/zebqt/ReaderSession.h"

namespace sound = zeb::media::sound;
using zeb::media::FourCC;
using zeb::media::PcmCoding;

namespace {

constexpr int32_t kModeSampleDuration = -2;  // the block's value: ticks one sample lasts
constexpr uint32_t kFloatFlag = 0x1;         // of a version-2 description's format flags
constexpr uint32_t kSignedFlag = 0x4;
constexpr uint32_t kMaxFixedRate = 0xFFFF;  // a 16.16 rate field's largest whole part

template <typename T>
T NativeAt(std::span<const uint8_t> description, size_t offset) {
  T value{};
  (void)zeb::movie::ByteReader(description).ReadNativeAt(offset, value);
  return value;
}

template <typename T>
void PutNative(std::span<uint8_t> bytes, size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

std::span<const uint8_t> ReaderDescription(const SPlugStreamInfo& stream) {
  if (stream.privateKind != PLUG_PRIVATE_QT_SOUND_DESCRIPTION || stream.privateAddress == nullptr) {
    return {};
  }
  return {static_cast<const uint8_t*>(stream.privateAddress), stream.privateSize};
}

uint32_t ValueBytes(const zeb::media::CodecTraits& codec, std::span<const uint8_t> description) {
  if (codec.pcmBytes != 0) return codec.pcmBytes;
  const auto version = NativeAt<uint16_t>(description, sound::kVersionAt);
  if (version == 2) return NativeAt<uint32_t>(description, sound::kBitsPerChannelAt) / 8;
  const auto bytes = version == 1 ? NativeAt<uint32_t>(description, sound::kBytesPerSampleAt) : 0;
  return bytes != 0 ? bytes : NativeAt<uint16_t>(description, sound::kSampleSizeAt) / 8u;
}

// Whether the reader hands this PCM over big-endian: it turns big-endian
// 16-, 24- and 32-bit integers little-endian and leaves the rest as stored.
bool DeliveredBigEndian(const zeb::media::CodecTraits& codec, uint32_t flags, uint32_t width) {
  if (codec.pcm == PcmCoding::kFloat) return true;
  if (codec.pcm != PcmCoding::kDescribed) return false;
  return (flags & sound::kBigEndianFlag) != 0 && width != 2 && width != 3;
}

// The written code for values of `width` bytes, and whether it is big-endian.
bool StoredCode(uint32_t source, uint32_t width, bool isFloat, bool isSigned, uint32_t& code,
                bool& bigEndian) {
  bigEndian = true;
  switch (width) {
    case 1:
      code = isSigned ? FourCC("twos") : FourCC("raw ");
      return true;
    case 2:
      bigEndian = source == FourCC("twos");
      code = bigEndian ? FourCC("twos") : FourCC("sowt");
      return true;
    case 3:
      code = FourCC("in24");
      return !isFloat;
    case 4:
      code = isFloat ? FourCC("fl32") : FourCC("in32");
      return true;
    case 8:
      code = FourCC("fl64");
      return isFloat;
    default:
      return false;
  }
}

// A version-1 sound description; header fields in the machine's order, as
// the writer takes descriptions.
void PutDescription(std::span<uint8_t> d, uint32_t code, const SPlugAudioStreamInfo& audio,
                    int16_t compressionId, uint32_t samplesPerPacket, uint32_t valueBytes) {
  PutNative<uint32_t>(d, zeb::media::kDescriptionSizeAt, sound::kVersion1HeaderSize);
  PutNative<uint32_t>(d, zeb::media::kDescriptionFormatAt, code);
  PutNative<uint16_t>(d, zeb::media::kDataReferenceIndexAt, 1);
  PutNative<uint16_t>(d, sound::kVersionAt, 1);
  PutNative<uint16_t>(d, sound::kChannelsAt, static_cast<uint16_t>(audio.channels));
  PutNative<uint16_t>(d, sound::kSampleSizeAt,
                      static_cast<uint16_t>(valueBytes ? valueBytes * 8 : 16));
  PutNative<int16_t>(d, sound::kCompressionIdAt, compressionId);
  // Rates past the 16.16 field are left 0; the media's time scale holds them.
  PutNative<uint32_t>(d, sound::kSampleRateAt,
                      audio.sampleRate <= kMaxFixedRate ? audio.sampleRate << 16 : 0);
  PutNative<uint32_t>(d, sound::kSamplesPerPacketAt, samplesPerPacket);
  PutNative<uint32_t>(d, sound::kBytesPerPacketAt, valueBytes);
  PutNative<uint32_t>(d, sound::kBytesPerFrameAt, valueBytes * audio.channels);
  PutNative<uint32_t>(d, sound::kBytesPerSampleAt, valueBytes ? valueBytes : 2);
}

void PlanPcm(const zeb::media::CodecTraits& codec, std::span<const uint8_t> description,
             const SPlugStreamInfo& stream, AudioStoredForm& form) {
  const uint32_t width = ValueBytes(codec, description);
  const auto flags = codec.pcm == PcmCoding::kDescribed
                         ? NativeAt<uint32_t>(description, sound::kFormatFlagsAt)
                         : 0u;
  const bool isFloat = codec.pcm == PcmCoding::kFloat || (flags & kFloatFlag) != 0;
  const bool isSigned = codec.pcm == PcmCoding::kDescribed ? (flags & kSignedFlag) != 0
                                                           : codec.pcm != PcmCoding::kUnsigned;
  bool bigEndian = false;
  if (!StoredCode(codec.code, width, isFloat, isSigned, form.code, bigEndian)) {
    throw Failure(kExitOutput, "PCM of " + std::to_string(width) + "-byte values in '" +
                                   FourCCText(codec.code) + "' cannot be written");
  }
  form.pcm = true;
  form.valueBytes = width;
  form.reverseValues = width > 1 && bigEndian != DeliveredBigEndian(codec, flags, width);
  PutDescription(std::span(form.block).subspan(8), form.code, stream.audio, 0, 1, width);
  PutNative<int32_t>(form.block, 0, 0);
  PutNative<int32_t>(form.block, 4, 1);  // each sample counts once
}

void PlanCompressed(std::span<const uint8_t> description, const SPlugStreamInfo& stream,
                    AudioStoredForm& form) {
  form.code = stream.audio.audioSubType;
  form.framesPerPacket = std::max<uint32_t>(stream.framesPerPacket, 1);
  const uint32_t length = NativeAt<uint32_t>(description, zeb::media::kDescriptionSizeAt);
  if (description.size() >= sound::kVersion1HeaderSize &&
      NativeAt<uint16_t>(description, sound::kVersionAt) == 1 &&
      length >= sound::kVersion1HeaderSize && length <= description.size()) {
    // The whole description, extension atoms ('esds', 'wave') included: a
    // decoder needs them.
    form.block.resize(8 + length);
    std::copy_n(description.begin(), length, form.block.begin() + 8);
  } else {
    PutDescription(std::span(form.block).subspan(8), form.code, stream.audio,
                   sound::kVariableCompressionId, form.framesPerPacket, 0);
  }
  PutNative<int32_t>(form.block, 0, kModeSampleDuration);
  PutNative<int32_t>(form.block, 4, static_cast<int32_t>(form.framesPerPacket));
}

}  // namespace

AudioStoredForm PlanAudioStoredForm(const SPlugStreamInfo& stream) {
  const std::span<const uint8_t> description = ReaderDescription(stream);
  const zeb::media::CodecTraits* codec = zeb::media::FindAudioCodec(stream.audio.audioSubType);
  AudioStoredForm form;
  if (codec != nullptr && codec->pcm != PcmCoding::kNotPcm) {
    PlanPcm(*codec, description, stream, form);
  } else {
    PlanCompressed(description, stream, form);
  }
  return form;
}

void ReverseValues(std::span<uint8_t> bytes, uint32_t width) {
  for (size_t at = 0; at + width <= bytes.size(); at += width) {
    std::reverse(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                 bytes.begin() + static_cast<std::ptrdiff_t>(at + width));
  }
}
