#include "codecs/CQTACustomSetingDlg.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/LoadQuickTime.h"
#include "media/FourCC.h"
#include "platform/codec/SoundCompression.h"

namespace {

namespace codec = zeb::codec;

constexpr uint32_t kOtherRate = 0xBB800000;  // 48000 Hz

// 16.16 rate and Hz, both ways; 11000 and 22000 Hz are the media layer's
// 11127.27 and 22254.55 Hz, which it only reads back.
constexpr std::array<std::pair<uint32_t, uint32_t>, 9> kRates = {{
    {0x1F400000, 8000},
    {0x2B110000, 11025},
    {0x2B7745D1, 11000},
    {0x3E800000, 16000},
    {0x56220000, 22050},
    {0x56EE8BA3, 22000},
    {0x7D000000, 32000},
    {0xAC440000, 44100},
    {kOtherRate, 48000},
}};

void SetStartingValues(codec::SoundComponentInstance component,
                       const AudioCompressionSettings& settings) {
  const auto channels = static_cast<int16_t>(settings.channels);
  const uint32_t fixedRate = SoundFixedRate(settings.sampleRate);
  static_cast<void>(codec::SCSetInfo(component, codec::kSCClientAcceptsVBRType,
                                     reinterpret_cast<const void*>(uintptr_t{1})));
  static_cast<void>(codec::SCSetInfo(component, codec::kSCRateConversionOkType,
                                     reinterpret_cast<const void*>(uintptr_t{1})));
  static_cast<void>(codec::SCSetInfo(component, codec::kSCSoundCompressionType, &settings.format));
  static_cast<void>(codec::SCSetInfo(component, codec::kSCSoundSampleRateType, &fixedRate));
  static_cast<void>(codec::SCSetInfo(component, codec::kSCSoundChannelCountType, &channels));
}

void ReadBack(codec::SoundComponentInstance component, AudioCompressionSettings& settings) {
  static_cast<void>(codec::SCGetInfo(component, codec::kSCSoundCompressionType, &settings.format));
  int16_t value = 0;
  static_cast<void>(codec::SCGetInfo(component, codec::kSCSoundChannelCountType, &value));
  settings.channels = static_cast<uint16_t>(value);
  value = 0;
  static_cast<void>(codec::SCGetInfo(component, codec::kSCSoundSampleSizeType, &value));
  settings.sampleSize = static_cast<uint16_t>(value);
  uint32_t fixedRate = 0;
  static_cast<void>(codec::SCGetInfo(component, codec::kSCSoundInputSampleRateType, &fixedRate));
  if (fixedRate == 0) {
    static_cast<void>(codec::SCGetInfo(component, codec::kSCSoundSampleRateType, &fixedRate));
  }
  settings.format = ResolveRawFormat(settings.format, settings.sampleSize);
  settings.sampleRate = SoundRateHz(fixedRate);
}

}  // namespace

uint32_t SoundFixedRate(uint32_t hz) {
  const auto* named = std::find_if(kRates.begin(), kRates.end(), [&](const auto& rate) {
    return rate.second == hz && (rate.first & 0xFFFF) == 0;
  });
  return named != kRates.end() ? named->first : kOtherRate;
}

uint32_t SoundRateHz(uint32_t fixedRate) {
  const auto* named = std::find_if(kRates.begin(), kRates.end(),
                                   [&](const auto& rate) { return rate.first == fixedRate; });
  return named != kRates.end() ? named->second : 48000;
}

uint32_t ResolveRawFormat(uint32_t format, uint16_t sampleSize) {
  using zeb::media::FourCC;
  if (format != FourCC("raw ")) return format;
  return sampleSize > 8 ? FourCC("twos") : FourCC("NONE");
}

CQTACustomSetingDlg::CQTACustomSetingDlg() { LoadQuickTimeOnce(); }

uint32_t CQTACustomSetingDlg::RequestSoundSettings(AudioCompressionSettings& settings,
                                                   uint8_t** block, uint32_t* size) {
  settings.reserved[0] = 0;
  settings.reserved[1] = 0;
  *block = nullptr;
  *size = 0;
  codec::SoundComponentInstance component = nullptr;
  if (codec::OpenADefaultComponent(codec::kStandardCompressionType, codec::kStandardSoundSubType,
                                   &component) != 0) {
    return 1;
  }
  SetStartingValues(component, settings);
  const codec::OSErr result = codec::SCRequestImageSettings(component);
  // A dialog that could not be shown was not confirmed either.
  if (static_cast<int16_t>(result) == codec::kUserCanceledErr || result == codec::kParamErr) {
    codec::CloseComponent(component);
    return 1;
  }
  ReadBack(component, settings);
  zeb::movie::Handle handle = nullptr;
  static_cast<void>(codec::SCGetInfo(component, codec::kSCCodecSettingsType, &handle));
  codecSettings_ = handle;
  if (handle != nullptr && zeb::movie::GetHandleSize(handle) > 0) {
    *block = *handle;
    *size = static_cast<uint32_t>(zeb::movie::GetHandleSize(handle));
  }
  codec::CloseComponent(component);
  return 0;
}

void CQTACustomSetingDlg::ReleaseCodecSettings() {
  zeb::movie::DisposeHandle(codecSettings_);
  codecSettings_ = nullptr;
}
