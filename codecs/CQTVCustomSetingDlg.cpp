#include "codecs/CQTVCustomSetingDlg.h"

#include "codecs/VideoSettingSummary.h"
#include "core/LoadQuickTime.h"
#include "platform/codec/ImageCompression.h"

namespace {

namespace codec = zeb::codec;

constexpr int16_t kStartDepth = 32;
constexpr uint32_t kStartSpatialQuality = 512;
constexpr uint32_t kStartTemporalQuality = 768;
constexpr uint32_t kStartMinQuality = 512;
constexpr int32_t kPreferences = 0xBE;

void SetStartingValues(codec::ComponentInstance component,
                       const VideoCompressionSettings& settings) {
  const codec::SCSpatialSettings spatial{settings.codecType, nullptr, kStartDepth,
                                         kStartSpatialQuality};
  const codec::SCTemporalSettings temporal{
      kStartTemporalQuality, FixedFrameRate(settings.frameRateNum, settings.frameRateDen),
      settings.keyFrameRate};
  const codec::SCDataRateSettings dataRate{static_cast<int32_t>(settings.dataRate / 8), 1,
                                           kStartMinQuality, kStartMinQuality};
  static_cast<void>(codec::SCSetInfo(component, codec::kSCSpatialSettingsType, &spatial));
  static_cast<void>(codec::SCSetInfo(component, codec::kSCTemporalSettingsType, &temporal));
  static_cast<void>(codec::SCSetInfo(component, codec::kSCDataRateSettingsType, &dataRate));
  static_cast<void>(codec::SCSetInfo(component, codec::kSCPreferenceFlagsType, &kPreferences));
}

void ReadBack(codec::ComponentInstance component, VideoCompressionSettings& settings) {
  codec::SCSpatialSettings spatial;
  static_cast<void>(codec::SCGetInfo(component, codec::kSCSpatialSettingsType, &spatial));
  settings.codecType = spatial.codecType;
  settings.spatialQuality = spatial.spatialQuality;
  settings.depth = static_cast<uint16_t>(spatial.depth);
  codec::SCTemporalSettings temporal;
  static_cast<void>(codec::SCGetInfo(component, codec::kSCTemporalSettingsType, &temporal));
  settings.temporalQuality = temporal.temporalQuality;
  const auto fixedRate = static_cast<uint32_t>(temporal.frameRate);
  const double rate = (fixedRate & 0xFFFFu) / 65535.0 + (fixedRate >> 16);
  FrameRateToFraction(rate, &settings.frameRateNum, &settings.frameRateDen);
  settings.keyFrameRate = temporal.temporalQuality == 0 ? 1 : temporal.keyFrameRate;
  codec::SCDataRateSettings dataRate;
  static_cast<void>(codec::SCGetInfo(component, codec::kSCDataRateSettingsType, &dataRate));
  settings.dataRate = static_cast<uint32_t>(dataRate.dataRate) * 8;
}

}  // namespace

CQTVCustomSetingDlg::CQTVCustomSetingDlg() { LoadQuickTimeOnce(); }

uint32_t CQTVCustomSetingDlg::RequestSettings(VideoCompressionSettings& settings, uint8_t** state,
                                              int32_t* stateSize) {
  *state = nullptr;
  *stateSize = 0;
  settings.reserved = 0;
  codec::ComponentInstance component = nullptr;
  if (codec::OpenADefaultComponent(codec::kStandardCompressionType,
                                   codec::kStandardCompressionSubType, &component) != 0) {
    return 1;
  }
  SetStartingValues(component, settings);
  const codec::OSErr result = codec::SCRequestSequenceSettings(component);
  if (static_cast<int16_t>(result) == codec::kUserCanceledErr) {
    codec::CloseComponent(component);
    return 1;
  }
  ReadBack(component, settings);
  zeb::movie::Handle handle = nullptr;
  if (codec::SCGetInfo(component, codec::kSCSettingsStateType, &handle) == 0 && handle != nullptr &&
      zeb::movie::GetHandleSize(handle) > 0) {
    *state = *handle;
    *stateSize = static_cast<int32_t>(zeb::movie::GetHandleSize(handle));
  }
  stateHandle_ = handle;
  codec::CloseComponent(component);
  return 0;
}

void CQTVCustomSetingDlg::ReleaseSettingsState() {
  zeb::movie::DisposeHandle(stateHandle_);
  stateHandle_ = nullptr;
}
