// Runs the standard sound settings dialog over an audio stream's settings and
// keeps the codec settings it returns until released.
#pragma once

#include <cstdint>

#include "platform/movie/Handle.h"

// The record the audio settings export lends to the dialog.
struct AudioCompressionSettings {
  uint32_t format = 0;  // four-character code
  uint32_t unused = 0;
  uint16_t channels = 0;
  uint16_t channelsPad = 0;
  uint16_t sampleSize = 0;  // bits
  uint16_t sampleSizePad = 0;
  uint32_t sampleRate = 0;  // Hz
  uint32_t reserved[2] = {0, 0};
};

// The rate in the media layer's 16.16 form: the rates it names exactly, any
// other as 48000 Hz.
uint32_t SoundFixedRate(uint32_t hz);
// The 16.16 rates the media layer names, in Hz; any other as 48000.
uint32_t SoundRateHz(uint32_t fixedRate);
// 'raw ' as the stream's code: 'twos' above 8 bits, else 'NONE'.
uint32_t ResolveRawFormat(uint32_t format, uint16_t sampleSize);

class CQTACustomSetingDlg {
 public:
  // Starts the media layer when it has not started yet.
  CQTACustomSetingDlg();
  // Leaves the codec settings alone: ReleaseCodecSettings disposes of them.
  virtual ~CQTACustomSetingDlg() = default;
  CQTACustomSetingDlg(const CQTACustomSetingDlg&) = delete;
  CQTACustomSetingDlg& operator=(const CQTACustomSetingDlg&) = delete;

  // 0: the user confirmed and `settings` holds the dialog's values; `block`
  // then points at the codec settings' bytes (valid until
  // ReleaseCodecSettings), or stays null for a format without any.
  // 1: cancelled, or no dialog could be shown.
  uint32_t RequestSoundSettings(AudioCompressionSettings& settings, uint8_t** block,
                                uint32_t* size);
  void ReleaseCodecSettings();

 private:
  zeb::movie::Handle codecSettings_ = nullptr;
};
