// Runs the standard compression dialog over a stream's compression settings
// and keeps the settings state it returns until released.
#pragma once

#include <cstdint>

#include "codecs/VideoCompressionSettings.h"
#include "platform/movie/Handle.h"

class CQTVCustomSetingDlg {
 public:
  // Starts the media layer when it has not started yet.
  CQTVCustomSetingDlg();
  // Leaves the state handle alone: ReleaseSettingsState disposes of it.
  virtual ~CQTVCustomSetingDlg() = default;
  CQTVCustomSetingDlg(const CQTVCustomSetingDlg&) = delete;
  CQTVCustomSetingDlg& operator=(const CQTVCustomSetingDlg&) = delete;

  // 0: the user confirmed and `settings` holds the dialog's values;
  // `state` then points at the state handle's bytes (valid until
  // ReleaseSettingsState), or stays null without state. 1: cancelled.
  uint32_t RequestSettings(VideoCompressionSettings& settings, uint8_t** state, int32_t* stateSize);
  void ReleaseSettingsState();

 private:
  zeb::movie::Handle stateHandle_ = nullptr;
};
