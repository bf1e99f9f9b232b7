// The standard sound compression component: the settings store and the
// codec settings that 'cdec' hands out.
#include "platform/codec/SoundCompression.h"

#include <cstring>
#include <new>

#include "platform/movie/ByteReader.h"
#include "platform/movie/ByteWriter.h"
#include "platform/movie/FourCC.h"

namespace zeb::codec {

struct StandardSoundCompression {
  uint32_t format = zeb::movie::FourCC("twos");
  uint32_t fixedRate = 44100u << 16;
  int16_t channels = 2;
  int16_t sampleSize = 16;
  uint32_t inputRate = 0;  // 0 until a caller sets it: the converter never resamples
  uint32_t bitRate = 0;    // 0: the format's own rate for the channel count
};

namespace {

using zeb::movie::FourCC;

constexpr uint32_t kCodecSettingsTag = FourCC("zscd");
constexpr size_t kCodecSettingsSize = 12;
// AAC and MP3 get this many bits a second for each channel unless told.
constexpr uint32_t kBitRatePerChannel = 64000;

template <typename T>
OSErr Put(T* out, T value) {
  *out = value;
  return 0;
}

OSErr GetCodecSettings(const StandardSoundCompression& component, zeb::movie::Handle* out) {
  *out = nullptr;
  if (!HasBitRate(component.format)) return 0;
  const uint32_t bitRate = component.bitRate != 0
                               ? component.bitRate
                               : DefaultBitRate(static_cast<uint32_t>(component.channels));
  const std::vector<uint8_t> bytes = SoundCodecSettingsBytes({component.format, bitRate});
  *out = zeb::movie::NewHandle(bytes.size());
  if (*out == nullptr) return kMemFullErr;
  std::memcpy(**out, bytes.data(), bytes.size());
  return 0;
}

OSErr SetCodecSettings(StandardSoundCompression& component, const void* info) {
  const auto handle = static_cast<zeb::movie::Handle>(const_cast<void*>(info));
  if (handle == nullptr || *handle == nullptr) return kParamErr;
  const auto settings = ParseSoundCodecSettings({*handle, zeb::movie::GetHandleSize(handle)});
  if (!settings || settings->format != component.format) return kParamErr;
  component.bitRate = settings->bitRate;
  return 0;
}

}  // namespace

std::vector<uint8_t> SoundCodecSettingsBytes(const SoundCodecSettings& settings) {
  zeb::movie::ByteWriter out;
  out.PutU32(kCodecSettingsTag);
  out.PutU32(settings.format);
  out.PutU32(settings.bitRate);
  return out.Take();
}

std::optional<SoundCodecSettings> ParseSoundCodecSettings(std::span<const uint8_t> bytes) {
  if (bytes.size() != kCodecSettingsSize) return std::nullopt;
  zeb::movie::ByteReader reader(bytes);
  uint32_t tag = 0;
  SoundCodecSettings settings;
  if (!reader.ReadU32(tag).IsOk() || tag != kCodecSettingsTag ||
      !reader.ReadU32(settings.format).IsOk() || !reader.ReadU32(settings.bitRate).IsOk()) {
    return std::nullopt;
  }
  return settings;
}

bool HasBitRate(uint32_t format) { return format == FourCC("mp4a") || format == FourCC(".mp3"); }

uint32_t DefaultBitRate(uint32_t channels) { return kBitRatePerChannel * (channels > 1 ? 2 : 1); }

OSErr OpenADefaultComponent(uint32_t type, uint32_t subType, SoundComponentInstance* component) {
  if (component == nullptr) return kParamErr;
  *component = nullptr;
  if (type != kStandardCompressionType || subType != kStandardSoundSubType) {
    return kBadComponentErr;
  }
  *component = new (std::nothrow) StandardSoundCompression();
  return *component != nullptr ? 0 : kMemFullErr;
}

OSErr CloseComponent(SoundComponentInstance component) {
  delete component;
  return 0;
}

OSErr SCSetInfo(SoundComponentInstance component, uint32_t type, const void* info) {
  if (component == nullptr) return kParamErr;
  switch (type) {
    case kSCClientAcceptsVBRType:
    case kSCRateConversionOkType:
      return 0;  // every format may give packets of their own size; no rate is converted
    case kSCCodecSettingsType:
      return SetCodecSettings(*component, info);
    default:
      break;
  }
  if (info == nullptr) return kParamErr;
  switch (type) {
    case kSCSoundCompressionType:
      return Put(&component->format, *static_cast<const uint32_t*>(info));
    case kSCSoundSampleRateType:
      return Put(&component->fixedRate, *static_cast<const uint32_t*>(info));
    case kSCSoundInputSampleRateType:
      return Put(&component->inputRate, *static_cast<const uint32_t*>(info));
    case kSCSoundChannelCountType:
      return Put(&component->channels, *static_cast<const int16_t*>(info));
    case kSCSoundSampleSizeType:
      return Put(&component->sampleSize, *static_cast<const int16_t*>(info));
    default:
      return kParamErr;
  }
}

OSErr SCGetInfo(SoundComponentInstance component, uint32_t type, void* info) {
  if (component == nullptr || info == nullptr) return kParamErr;
  switch (type) {
    case kSCSoundCompressionType:
      return Put(static_cast<uint32_t*>(info), component->format);
    case kSCSoundSampleRateType:
      return Put(static_cast<uint32_t*>(info), component->fixedRate);
    case kSCSoundInputSampleRateType:
      return Put(static_cast<uint32_t*>(info), component->inputRate);
    case kSCSoundChannelCountType:
      return Put(static_cast<int16_t*>(info), component->channels);
    case kSCSoundSampleSizeType:
      return Put(static_cast<int16_t*>(info), component->sampleSize);
    case kSCCodecSettingsType:
      return GetCodecSettings(*component, static_cast<zeb::movie::Handle*>(info));
    default:
      return kParamErr;
  }
}

}  // namespace zeb::codec
