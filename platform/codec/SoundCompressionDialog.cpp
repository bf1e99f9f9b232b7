// The sound settings dialog: the sound component's settings shown and edited
// in a template dialog of the dialog layer.
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/codec/SoundCompression.h"
#include "platform/codec/SoundEncoderFormats.h"
#include "platform/movie/FourCC.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/SettingsForm.h"

namespace zeb::codec {

namespace {

namespace ui = zeb::ui;
using ui::ControlKind;

constexpr int32_t kFormatList = 100;
constexpr int32_t kRateList = 101;
constexpr int32_t kSizeList = 102;
constexpr int32_t kChannelList = 103;
constexpr int32_t kBitRateEdit = 104;

constexpr std::array<uint32_t, 7> kRates = {8000, 11025, 16000, 22050, 32000, 44100, 48000};
constexpr std::array<int16_t, 4> kSizes = {8, 16, 24, 32};
constexpr std::array<int16_t, 5> kChannels = {1, 2, 4, 6, 8};
constexpr std::array<const char*, 5> kChannelNames = {"Mono", "Stereo", "4 channels", "6 channels",
                                                      "8 channels"};
constexpr uint32_t kLargestKbits = 1000000;

constexpr uint32_t kEditStyles =
    ui::kStyleTabStop | ui::kStyleBorder | ui::kStyleAutoHScroll | ui::kStyleDigitsOnly;

constexpr ui::DialogControl kControls[] = {
    {ui::kNoControlId, ControlKind::kStatic, "Format:", 7, 9, 50, 8, 0},
    {kFormatList, ControlKind::kComboList, "", 60, 7, 130, 14, ui::kStyleTabStop},
    {ui::kNoControlId, ControlKind::kStatic, "Rate:", 7, 27, 50, 8, 0},
    {kRateList, ControlKind::kComboList, "", 60, 25, 70, 14, ui::kStyleTabStop},
    {ui::kNoControlId, ControlKind::kStatic, "Hz", 134, 27, 30, 8, 0},
    {ui::kNoControlId, ControlKind::kStatic, "Size:", 7, 45, 50, 8, 0},
    {kSizeList, ControlKind::kComboList, "", 60, 43, 70, 14, ui::kStyleTabStop},
    {ui::kNoControlId, ControlKind::kStatic, "bits", 134, 45, 30, 8, 0},
    {ui::kNoControlId, ControlKind::kStatic, "Channels:", 7, 63, 50, 8, 0},
    {kChannelList, ControlKind::kComboList, "", 60, 61, 70, 14, ui::kStyleTabStop},
    {ui::kNoControlId, ControlKind::kStatic, "Bit rate:", 7, 81, 50, 8, 0},
    {kBitRateEdit, ControlKind::kEdit, "", 60, 79, 50, 14, kEditStyles},
    {ui::kNoControlId, ControlKind::kStatic, "kbit/s (AAC, MP3)", 114, 81, 80, 8, 0},
    {ui::kIdOk, ControlKind::kPushButton, "OK", 98, 101, 44, 14,
     ui::kStyleTabStop | ui::kStyleDefault},
    {ui::kIdCancel, ControlKind::kPushButton, "Cancel", 146, 101, 44, 14, ui::kStyleTabStop},
};

constexpr ui::DialogTemplate kTemplate = {"Sound Settings", "MS Shell Dlg",      8, 197, 122,
                                          kControls,        std::size(kControls)};

struct Session {
  uint32_t format = 0;
  uint32_t fixedRate = 0;
  int16_t channels = 0;
  int16_t sampleSize = 0;
  uint32_t bitRate = 0;           // 0: the format's own
  std::string shownBitRate;       // an unchanged text keeps the exact rate
  std::vector<uint32_t> formats;  // the list's entries
};

// Adds the entries and selects the one equal to `current`, if any.
template <typename T, size_t N, typename Name>
void FillList(ui::DialogHandle dialog, int32_t id, const std::array<T, N>& values, T current,
              Name name) {
  for (size_t i = 0; i < N; ++i) {
    const std::string text = name(i);
    ui::SendDlgItemMessage(dialog, id, ui::kMsgListAddString, 0,
                           reinterpret_cast<intptr_t>(text.c_str()));
    if (values[i] == current) ui::SendDlgItemMessage(dialog, id, ui::kMsgListSetSelection, i, 0);
  }
}

// The selected entry's value; `current` when none is selected.
template <typename T, typename Values>
T Selected(ui::DialogHandle dialog, int32_t id, const Values& values, T current) {
  const intptr_t index = ui::SendDlgItemMessage(dialog, id, ui::kMsgListGetSelection, 0, 0);
  if (index < 0 || static_cast<size_t>(index) >= values.size()) return current;
  return values[static_cast<size_t>(index)];
}

// The list's entry for a format: uncompressed PCM of any byte order is "None".
uint32_t ListedFormat(uint32_t format) {
  using zeb::movie::FourCC;
  for (const uint32_t pcm : {FourCC("twos"), FourCC("sowt"), FourCC("NONE")}) {
    if (format == pcm) return FourCC("raw ");
  }
  return format;
}

void Show(ui::DialogHandle dialog, Session& session) {
  for (const SoundFormatChoice& choice : SoundFormatChoices()) {
    if (!SoundEncoderAvailable(choice.format)) continue;
    const std::string entry =
        std::string(choice.name) + " (" + zeb::movie::FourCCToString(choice.format) + ")";
    const intptr_t index = ui::SendDlgItemMessage(dialog, kFormatList, ui::kMsgListAddString, 0,
                                                  reinterpret_cast<intptr_t>(entry.c_str()));
    session.formats.push_back(choice.format);
    if (choice.format == ListedFormat(session.format)) {
      ui::SendDlgItemMessage(dialog, kFormatList, ui::kMsgListSetSelection,
                             static_cast<uintptr_t>(index), 0);
    }
  }
  FillList(dialog, kRateList, kRates, session.fixedRate >> 16,
           [](size_t i) { return std::to_string(kRates[i]); });
  FillList(dialog, kSizeList, kSizes, session.sampleSize,
           [](size_t i) { return std::to_string(kSizes[i]); });
  FillList(dialog, kChannelList, kChannels, session.channels,
           [](size_t i) { return std::string(kChannelNames[i]); });
  ui::SetDlgItemTextUtf8(dialog, kBitRateEdit, session.shownBitRate);
}

void Read(ui::DialogHandle dialog, Session& session) {
  session.format = Selected(dialog, kFormatList, session.formats, session.format);
  const uint32_t hz = Selected(dialog, kRateList, kRates, session.fixedRate >> 16);
  if (hz != session.fixedRate >> 16) session.fixedRate = hz << 16;
  session.sampleSize = Selected(dialog, kSizeList, kSizes, session.sampleSize);
  session.channels = Selected(dialog, kChannelList, kChannels, session.channels);
  uint32_t kbits = 0;
  const std::string text = ui::GetDlgItemTextUtf8(dialog, kBitRateEdit);
  if (text != session.shownBitRate && ui::ParseUnsigned(text, &kbits) && kbits > 0 &&
      kbits <= kLargestKbits) {
    session.bitRate = kbits * 1000;
  }
}

uint32_t CurrentBitRate(SoundComponentInstance component, uint32_t format) {
  zeb::movie::Handle settings = nullptr;
  static_cast<void>(SCGetInfo(component, kSCCodecSettingsType, &settings));
  uint32_t bitRate = 0;
  if (settings != nullptr) {
    const auto parsed = ParseSoundCodecSettings({*settings, zeb::movie::GetHandleSize(settings)});
    if (parsed && parsed->format == format) bitRate = parsed->bitRate;
  }
  zeb::movie::DisposeHandle(settings);
  return bitRate;
}

}  // namespace

OSErr SCRequestImageSettings(SoundComponentInstance component) {
  if (component == nullptr) return kParamErr;
  Session session;
  static_cast<void>(SCGetInfo(component, kSCSoundCompressionType, &session.format));
  static_cast<void>(SCGetInfo(component, kSCSoundSampleRateType, &session.fixedRate));
  static_cast<void>(SCGetInfo(component, kSCSoundChannelCountType, &session.channels));
  static_cast<void>(SCGetInfo(component, kSCSoundSampleSizeType, &session.sampleSize));
  const uint32_t shown = CurrentBitRate(component, session.format);
  session.shownBitRate = std::to_string(
      (shown != 0 ? shown : DefaultBitRate(static_cast<uint32_t>(session.channels))) / 1000);
  const intptr_t result = ui::DialogBoxParam(kTemplate, ui::SettingsFormProc<Session, Show, Read>,
                                             reinterpret_cast<intptr_t>(&session));
  if (result < 0) return kParamErr;
  if (result != ui::kIdOk) return kUserCanceledErr;
  static_cast<void>(SCSetInfo(component, kSCSoundCompressionType, &session.format));
  static_cast<void>(SCSetInfo(component, kSCSoundSampleRateType, &session.fixedRate));
  static_cast<void>(SCSetInfo(component, kSCSoundChannelCountType, &session.channels));
  static_cast<void>(SCSetInfo(component, kSCSoundSampleSizeType, &session.sampleSize));
  if (session.bitRate != 0 && HasBitRate(session.format)) {
    const std::vector<uint8_t> bytes = SoundCodecSettingsBytes({session.format, session.bitRate});
    zeb::movie::OwnedHandle settings(zeb::movie::NewHandle(bytes.size()));
    if (settings) {
      std::memcpy(*settings, bytes.data(), bytes.size());
      static_cast<void>(SCSetInfo(component, kSCCodecSettingsType, settings.get()));
    }
  }
  return 0;
}

}  // namespace zeb::codec
