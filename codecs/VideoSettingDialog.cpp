#include "codecs/VideoSettingDialog.h"

#include <cstdlib>
#include <cstring>

#include "codecs/CQTVCustomSetingDlg.h"
#include "codecs/VideoSettingSummary.h"
#include "core/QtLog.h"
#include "framework/proxy/include/ZEBProxyCodec.h"
#include "platform/sys/Utf.h"
#include "platform/ui/Dialogs.h"
#include "zebplug/ZEBPlugEnums.h"

namespace {

namespace ui = zeb::ui;
using ui::ControlKind;

constexpr int32_t kAdvancedButton = 1001;
constexpr int32_t kWidthEdit = 1002;
constexpr int32_t kHeightEdit = 1003;
constexpr int32_t kSummaryText = 1004;
constexpr intptr_t kConfirmed = 1;
constexpr intptr_t kCancelled = 0;
constexpr uint32_t kCannotBeShown = 1;
constexpr uint32_t kVideoTypeQuickTime = 13;

// Dialog resource 102.
constexpr ui::DialogControl kVideoSetControls[] = {
    {ui::kIdOk, ControlKind::kPushButton, "OK", 114, 94, 41, 14,
     ui::kStyleDefault | ui::kStyleTabStop},
    {ui::kIdCancel, ControlKind::kPushButton, "Cancel", 158, 94, 44, 14, ui::kStyleTabStop},
    {kSummaryText, ControlKind::kStatic, "", 7, 7, 195, 63, ui::kStyleSunken | ui::kStyleGroup},
    {ui::kNoControlId, ControlKind::kStatic, "Width", 7, 78, 20, 8, ui::kStyleGroup},
    {ui::kNoControlId, ControlKind::kStatic, "Height", 7, 97, 22, 8, ui::kStyleGroup},
    {kAdvancedButton, ControlKind::kPushButton, "Advanced Setting", 116, 74, 73, 14,
     ui::kStyleTabStop},
    {kWidthEdit, ControlKind::kEdit, "", 34, 75, 52, 14,
     ui::kStyleBorder | ui::kStyleTabStop | ui::kStyleDigitsOnly | ui::kStyleAutoHScroll},
    {kHeightEdit, ControlKind::kEdit, "", 35, 94, 52, 14,
     ui::kStyleBorder | ui::kStyleTabStop | ui::kStyleAutoHScroll},
};

constexpr ui::DialogTemplate kVideoSetTemplate = {
    "QuickTime VideoSet",        "MS Shell Dlg", 8, 209, 118, kVideoSetControls,
    std::size(kVideoSetControls)};

// The custom-setting block: its size, the depth, the two qualities and the
// state size, little-endian, then the state bytes.
constexpr size_t kBlockHeaderSize = 20;

// Qualities and depth of a dialog confirmed without "Advanced Setting": the
// encoder's own choice when it gets no block, and the depth the standard
// compression dialog starts with.
constexpr uint32_t kDefaultQuality = 1023;
constexpr uint16_t kDefaultDepth = 32;

void ShowSummary(ui::DialogHandle dialog, VideoSettingDialogContext& context) {
  std::memset(context.summaryText, 0, sizeof context.summaryText);
  FormatSettingSummary(context);
  ui::SetDlgItemText(dialog, kSummaryText,
                     zeb::sys::TerminatedView(context.summaryText, kSummaryUnits));
}

void RunAdvancedSetting(ui::DialogHandle dialog, VideoSettingDialogContext& context) {
  CQTVCustomSetingDlg settingsDialog;
  uint8_t* state = nullptr;
  int32_t stateSize = 0;
  if (settingsDialog.RequestSettings(context.settings, &state, &stateSize) != 0) {
    ui::MessageBox(u"Error appears when show QuickTime Cumstom Setting Dialog!", u"Error",
                   ui::kMbOkCancel);
    return;
  }
  context.stateData.reset();
  context.stateSize = 0;
  if (state != nullptr && stateSize > 0) {
    context.stateData.reset(new uint8_t[static_cast<size_t>(stateSize)]);
    std::memcpy(context.stateData.get(), state, static_cast<size_t>(stateSize));
    context.stateSize = stateSize;
  }
  settingsDialog.ReleaseSettingsState();
  ShowSummary(dialog, context);
}

intptr_t VideoSettingDialogProc(ui::DialogHandle dialog, uint32_t message, uintptr_t wParam,
                                intptr_t lParam) {
  if (message == ui::kMsgInitDialog) {
    auto* context = reinterpret_cast<VideoSettingDialogContext*>(lParam);
    ShowSummary(dialog, *context);
    ui::SetDlgItemInt(dialog, kWidthEdit, context->width);
    ui::SetDlgItemInt(dialog, kHeightEdit, context->height);
    ui::SetDialogUserData(dialog, context);
    return 1;
  }
  if (message != ui::kMsgCommand) return 0;
  auto* context = static_cast<VideoSettingDialogContext*>(ui::GetDialogUserData(dialog));
  switch (static_cast<int32_t>(wParam)) {
    case ui::kIdOk: {
      uint32_t value = 0;
      if (ui::GetDlgItemInt(dialog, kWidthEdit, &value)) context->width = value;
      if (ui::GetDlgItemInt(dialog, kHeightEdit, &value)) context->height = value;
      ui::EndDialog(dialog, kConfirmed);
      return 1;
    }
    case ui::kIdCancel:
      ui::EndDialog(dialog, kCancelled);
      return 1;
    case kAdvancedButton:
      RunAdvancedSetting(dialog, *context);
      return 1;
    default:
      return 0;
  }
}

void PutU32(uint8_t* at, uint32_t value) { std::memcpy(at, &value, sizeof value); }

// Null when memory runs out.
uint8_t* MakeBlock(const VideoSettingDialogContext& context, uint32_t* size) {
  const uint32_t stateSize =
      context.stateData && context.stateSize > 0 ? static_cast<uint32_t>(context.stateSize) : 0;
  *size = static_cast<uint32_t>(kBlockHeaderSize) + stateSize;
  auto* block = static_cast<uint8_t*>(std::calloc(*size, 1));
  if (block == nullptr) return nullptr;
  PutU32(block, *size);
  std::memcpy(block + 4, &context.settings.depth, sizeof context.settings.depth);
  PutU32(block + 8, context.settings.spatialQuality);
  PutU32(block + 12, context.settings.temporalQuality);
  PutU32(block + 16, stateSize);
  if (stateSize > 0) std::memcpy(block + kBlockHeaderSize, context.stateData.get(), stateSize);
  return block;
}

void UpdateRecord(SPlugVideoStreamInfo& info, const VideoSettingDialogContext& context) {
  const VideoCompressionSettings& settings = context.settings;
  info.videoSubType = settings.codecType;
  info.frameRateNum = settings.frameRateNum;
  info.frameRateDen = settings.frameRateDen;
  info.width = context.width;
  info.height = context.height;
  info.gopReserved = 0;
  info.videoType = kVideoTypeQuickTime;
  info.gopSize = static_cast<uint32_t>(settings.keyFrameRate);
  info.fieldOrder = settings.frameRateNum / settings.frameRateDen == 25 ? 0 : 1;
  info.colorFormat = 1;
  info.videoRange = 1;
  info.reserved18 = 1;
  info.bitRate = settings.dataRate;
}

void FillContext(SPlugVideoStreamInfo& info, VideoSettingDialogContext& context) {
  context.height = info.height;
  context.width = info.width;
  VideoCompressionSettings& settings = context.settings;
  settings.codecType = GetQuickTimeVideoTypeFOURCC(&info);
  if (info.videoType != kVideoTypeQuickTime) info.videoType = kVideoTypeQuickTime;
  settings.width = info.width;
  settings.height = info.height;
  settings.keyFrameRate = static_cast<int32_t>(info.gopSize);
  settings.dataRate = info.bitRate;
  settings.frameRateNum = info.frameRateNum;
  settings.frameRateDen = info.frameRateDen;
  settings.reserved = 0;
  settings.spatialQuality = kDefaultQuality;
  settings.temporalQuality = kDefaultQuality;
  settings.depth = kDefaultDepth;
}

}  // namespace

uint32_t GetVideoCodecCustomSettingDialog(SPlugVideoStreamInfo* info, uint32_t* kind, void** block,
                                          uint32_t* size) {
  if (block != nullptr) *block = nullptr;
  if (size != nullptr) *size = 0;
  if (info == nullptr || block == nullptr || size == nullptr || info->frameRateDen == 0) {
    return kCannotBeShown;
  }
  VideoSettingDialogContext context;
  FillContext(*info, context);
  if (!ui::DialogsAvailable()) {
    QtLogError(L"GetVideoCodecCustomSetting--no display, the dialog cannot be shown");
    return kCannotBeShown;
  }
  if (ui::DialogBoxParam(kVideoSetTemplate, VideoSettingDialogProc,
                         reinterpret_cast<intptr_t>(&context)) != kConfirmed) {
    return kCannotBeShown;
  }
  uint8_t* made = MakeBlock(context, size);
  if (made == nullptr) {
    *size = 0;
    return kCannotBeShown;
  }
  *block = made;
  if (kind != nullptr) *kind = PLUG_PRIVATE_VIDEO_SETTINGS;
  UpdateRecord(*info, context);
  return 0;
}
