// The standard compression dialog: the component's settings shown and edited
// in a template dialog of the dialog layer.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/codec/Compressors.h"
#include "platform/codec/ImageCompression.h"
#include "platform/movie/FourCC.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/SettingsForm.h"

namespace zeb::codec {

namespace {

namespace ui = zeb::ui;

constexpr int32_t kCodecList = 100;
constexpr int32_t kQualitySlider = 101;
constexpr int32_t kFrameRateEdit = 102;
constexpr int32_t kKeyFrameEdit = 103;
constexpr int32_t kDataRateEdit = 104;
constexpr int32_t kDepthList = 105;

// The slider's steps and the spatial quality each one stands for.
constexpr std::array<uint32_t, 5> kQualitySteps = {0, 256, 512, 768, kCodecMaxQuality};

// The depths offered, bits per pixel, and their names.
constexpr std::array<int16_t, 3> kDepths = {16, 24, 32};
constexpr std::array<const char*, 3> kDepthNames = {"Thousands of Colors", "Millions of Colors",
                                                    "Millions of Colors+"};

using ui::ControlKind;
constexpr uint32_t kEditStyles = ui::kStyleTabStop | ui::kStyleBorder | ui::kStyleAutoHScroll;

constexpr ui::DialogControl kControls[] = {
    {ui::kNoControlId, ControlKind::kStatic, "Compression type:", 7, 9, 62, 8, 0},
    {kCodecList, ControlKind::kComboList, "", 72, 7, 150, 14, ui::kStyleTabStop},
    {ui::kNoControlId, ControlKind::kStatic, "Quality:", 7, 30, 62, 8, 0},
    {kQualitySlider, ControlKind::kSlider, "Least|Low|Medium|High|Best", 72, 26, 150, 26,
     ui::kStyleTabStop},
    {ui::kNoControlId, ControlKind::kStatic, "Frame rate:", 7, 60, 62, 8, 0},
    {kFrameRateEdit, ControlKind::kEdit, "", 72, 58, 50, 14, kEditStyles},
    {ui::kNoControlId, ControlKind::kStatic, "frames per second", 126, 60, 80, 8, 0},
    {ui::kNoControlId, ControlKind::kStatic, "Key frame every:", 7, 78, 62, 8, 0},
    {kKeyFrameEdit, ControlKind::kEdit, "", 72, 76, 50, 14, kEditStyles | ui::kStyleDigitsOnly},
    {ui::kNoControlId, ControlKind::kStatic, "frames", 126, 78, 80, 8, 0},
    {ui::kNoControlId, ControlKind::kStatic, "Data rate:", 7, 96, 62, 8, 0},
    {kDataRateEdit, ControlKind::kEdit, "", 72, 94, 50, 14, kEditStyles | ui::kStyleDigitsOnly},
    {ui::kNoControlId, ControlKind::kStatic, "bytes per second", 126, 96, 80, 8, 0},
    {ui::kNoControlId, ControlKind::kStatic, "Depth:", 7, 114, 62, 8, 0},
    {kDepthList, ControlKind::kComboList, "", 72, 112, 100, 14, ui::kStyleTabStop},
    {ui::kIdOk, ControlKind::kPushButton, "OK", 130, 134, 44, 14,
     ui::kStyleTabStop | ui::kStyleDefault},
    {ui::kIdCancel, ControlKind::kPushButton, "Cancel", 178, 134, 44, 14, ui::kStyleTabStop},
};

constexpr ui::DialogTemplate kTemplate = {
    "Compression Settings", "MS Shell Dlg", 8, 229, 155, kControls, std::size(kControls)};

struct Session {
  ComponentInstance component = nullptr;
  SCSpatialSettings spatial;
  SCTemporalSettings temporal;
  SCDataRateSettings dataRate;
  std::string shownFrameRate;  // the rate as shown; an unchanged text keeps the exact value
};

size_t QualityStep(uint32_t quality) {
  size_t step = 0;
  while (step + 1 < kQualitySteps.size() && quality >= kQualitySteps[step + 1]) ++step;
  return step;
}

std::string FrameRateText(int32_t fixedRate) {
  if (fixedRate <= 0) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", fixedRate / 65536.0);
  std::string shown(text);
  while (shown.back() == '0') shown.pop_back();
  if (shown.back() == '.') shown.pop_back();
  return shown;
}

// The rate in 16.16 with the fraction scaled by 65535, as the settings'
// users scale it; false for anything but a positive number.
bool ParseFrameRate(const std::string& text, int32_t* fixedRate) {
  char* end = nullptr;
  const double rate = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !(rate > 0) || rate >= 32768) return false;
  const auto whole = static_cast<uint32_t>(rate);
  const auto fraction = static_cast<uint32_t>((rate - whole) * 65535.0) & 0xFFFFu;
  *fixedRate = static_cast<int32_t>((whole << 16) + fraction);
  return true;
}

void Show(ui::DialogHandle dialog, Session& session) {
  int32_t selected = -1;
  for (const Compressor& compressor : AllCompressors()) {
    const std::string entry = std::string(compressor.name) + " (" +
                              zeb::movie::FourCCToString(compressor.codecType) + ")";
    const intptr_t index = ui::SendDlgItemMessage(dialog, kCodecList, ui::kMsgListAddString, 0,
                                                  reinterpret_cast<intptr_t>(entry.c_str()));
    if (compressor.codecType == session.spatial.codecType) selected = static_cast<int32_t>(index);
  }
  if (selected >= 0) {
    ui::SendDlgItemMessage(dialog, kCodecList, ui::kMsgListSetSelection,
                           static_cast<uintptr_t>(selected), 0);
  }
  ui::SendDlgItemMessage(dialog, kQualitySlider, ui::kMsgSliderSetPosition, 0,
                         static_cast<intptr_t>(QualityStep(session.spatial.spatialQuality)));
  ui::SetDlgItemTextUtf8(dialog, kFrameRateEdit, session.shownFrameRate);
  ui::SetDlgItemInt(dialog, kKeyFrameEdit, static_cast<uint32_t>(session.temporal.keyFrameRate));
  ui::SetDlgItemInt(dialog, kDataRateEdit, static_cast<uint32_t>(session.dataRate.dataRate));
  for (size_t i = 0; i < kDepths.size(); ++i) {
    ui::SendDlgItemMessage(dialog, kDepthList, ui::kMsgListAddString, 0,
                           reinterpret_cast<intptr_t>(kDepthNames[i]));
    if (kDepths[i] == session.spatial.depth) {
      ui::SendDlgItemMessage(dialog, kDepthList, ui::kMsgListSetSelection, i, 0);
    }
  }
}

// Values that do not convert keep the settings they would have replaced.
void Read(ui::DialogHandle dialog, Session& session) {
  const intptr_t selected =
      ui::SendDlgItemMessage(dialog, kCodecList, ui::kMsgListGetSelection, 0, 0);
  const std::span<const Compressor> compressors = AllCompressors();
  if (selected >= 0 && static_cast<size_t>(selected) < compressors.size()) {
    session.spatial.codecType = compressors[static_cast<size_t>(selected)].codecType;
  }
  const intptr_t step =
      ui::SendDlgItemMessage(dialog, kQualitySlider, ui::kMsgSliderGetPosition, 0, 0);
  if (step >= 0 && static_cast<size_t>(step) < kQualitySteps.size()) {
    session.spatial.spatialQuality = kQualitySteps[static_cast<size_t>(step)];
  }
  const std::string rate = ui::GetDlgItemTextUtf8(dialog, kFrameRateEdit);
  int32_t fixedRate = 0;
  if (rate != session.shownFrameRate && ParseFrameRate(rate, &fixedRate)) {
    session.temporal.frameRate = fixedRate;
  }
  uint32_t value = 0;
  if (ui::GetDlgItemInt(dialog, kKeyFrameEdit, &value) && value <= INT32_MAX) {
    session.temporal.keyFrameRate = static_cast<int32_t>(value);
  }
  if (ui::GetDlgItemInt(dialog, kDataRateEdit, &value) && value <= INT32_MAX) {
    session.dataRate.dataRate = static_cast<int32_t>(value);
  }
  const intptr_t depth = ui::SendDlgItemMessage(dialog, kDepthList, ui::kMsgListGetSelection, 0, 0);
  if (depth >= 0 && static_cast<size_t>(depth) < kDepths.size()) {
    session.spatial.depth = kDepths[static_cast<size_t>(depth)];
  }
}

}  // namespace

OSErr SCRequestSequenceSettings(ComponentInstance component) {
  if (component == nullptr) return kParamErr;
  Session session;
  session.component = component;
  static_cast<void>(SCGetInfo(component, kSCSpatialSettingsType, &session.spatial));
  static_cast<void>(SCGetInfo(component, kSCTemporalSettingsType, &session.temporal));
  static_cast<void>(SCGetInfo(component, kSCDataRateSettingsType, &session.dataRate));
  session.shownFrameRate = FrameRateText(session.temporal.frameRate);
  const intptr_t result = ui::DialogBoxParam(kTemplate, ui::SettingsFormProc<Session, Show, Read>,
                                             reinterpret_cast<intptr_t>(&session));
  if (result < 0) return kParamErr;
  if (result != ui::kIdOk) return kUserCanceledErr;
  static_cast<void>(SCSetInfo(component, kSCSpatialSettingsType, &session.spatial));
  static_cast<void>(SCSetInfo(component, kSCTemporalSettingsType, &session.temporal));
  static_cast<void>(SCSetInfo(component, kSCDataRateSettingsType, &session.dataRate));
  return 0;
}

}  // namespace zeb::codec
