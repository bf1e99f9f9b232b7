#include "codecs/AudioSettingDialog.h"

#include <cstdlib>
#include <cstring>

#include "codecs/CQTACustomSetingDlg.h"
#include "core/QtLog.h"
#include "framework/proxy/include/ZEBProxyCodec.h"
#include "platform/ui/Dialogs.h"
#include "zebplug/ZEBPlugEnums.h"

namespace {

constexpr uint32_t kCannotBeShown = 1;
constexpr uint32_t kAudioTypeQuickTime = 12;

void UpdateRecord(SPlugAudioStreamInfo& info, const AudioCompressionSettings& settings) {
  info.audioSubType = settings.format;
  info.channels = settings.channels;
  info.bitsPerSample = settings.sampleSize;
  info.sampleRate = settings.sampleRate;
  info.blockAlign = uint32_t{settings.sampleSize} * settings.channels / 8;
  info.bitRate = info.blockAlign * info.sampleRate * 8;
  info.audioType = kAudioTypeQuickTime;
}

}  // namespace

uint32_t GetAudioCodecCustomSettingDialog(SPlugAudioStreamInfo* info, uint32_t* kind, void** block,
                                          uint32_t* size) {
  if (block != nullptr) *block = nullptr;
  if (size != nullptr) *size = 0;
  if (info == nullptr || block == nullptr || size == nullptr) return kCannotBeShown;
  AudioCompressionSettings settings;
  settings.format = GetQuickTimeAudioFOURCC(info);
  settings.channels = static_cast<uint16_t>(info->channels);
  settings.sampleSize = static_cast<uint16_t>(info->bitsPerSample);
  settings.sampleRate = info->sampleRate;
  info->audioType = kAudioTypeQuickTime;
  if (!zeb::ui::DialogsAvailable()) {
    QtLogError(L"GetAudioCodecCustomSetting--no display, the dialog cannot be shown");
    return kCannotBeShown;
  }
  CQTACustomSetingDlg dialog;
  uint8_t* codecSettings = nullptr;
  uint32_t codecSize = 0;
  if (dialog.RequestSoundSettings(settings, &codecSettings, &codecSize) != 0) {
    dialog.ReleaseCodecSettings();
    return kCannotBeShown;
  }
  if (codecSettings != nullptr && codecSize > 0) {
    void* copy = std::malloc(codecSize);
    if (copy == nullptr) {
      dialog.ReleaseCodecSettings();
      return kCannotBeShown;
    }
    std::memcpy(copy, codecSettings, codecSize);
    *block = copy;
    *size = codecSize;
  }
  if (kind != nullptr) *kind = PLUG_PRIVATE_AUDIO_SETTINGS;
  dialog.ReleaseCodecSettings();
  UpdateRecord(*info, settings);
  return 0;
}
