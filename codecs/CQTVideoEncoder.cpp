#include "codecs/CQTVideoEncoder.h"

#include <cstring>
#include <new>

#include "core/LoadQuickTime.h"
#include "core/QtLog.h"
#include "media/FourCC.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

namespace codec = zeb::codec;

constexpr int16_t kPixMapVersion = 4;
constexpr int16_t kDirectPixelType = 16;
constexpr int16_t kComponentSize = 8;
constexpr uint16_t kAvcTemporalFlags = 0x84;
// The largest side a pixel map's 16-bit bounds and 14-bit row bytes hold.
constexpr uint32_t kMaxRowBytes = 0x3FFF;
constexpr uint32_t kMaxSide = 0x7FFF;

std::unique_ptr<codec::PixMap> NewSourcePixMap(const VideoCompressionSettings& settings,
                                               const codec::Rect& bounds) {
  auto map = std::unique_ptr<codec::PixMap>(new (std::nothrow) codec::PixMap);
  if (!map) return map;
  const uint32_t rowBytes = uint32_t{settings.depth} * settings.width / 8;
  map->rowBytes = static_cast<int16_t>(rowBytes | static_cast<uint16_t>(codec::kPixMapFlag));
  map->bounds = bounds;
  map->pmVersion = kPixMapVersion;
  map->hRes = codec::kDefaultResolution;
  map->vRes = codec::kDefaultResolution;
  map->pixelType = kDirectPixelType;
  map->pixelSize = static_cast<int16_t>(settings.depth);
  map->cmpCount = static_cast<int16_t>(settings.depth / 8);
  map->cmpSize = kComponentSize;
  map->pixelFormat = codec::k2vuyPixelFormat;
  return map;
}

}  // namespace

CQTVideoEncoder::CQTVideoEncoder() { LoadQuickTimeOnce(); }

CQTVideoEncoder::~CQTVideoEncoder() { Close(); }

uint32_t CQTVideoEncoder::Open(const VideoCompressionSettings& settings, const uint8_t* state,
                               uint32_t stateSize) {
  Close();
  // Sizes the 16-bit pixel-map fields cannot hold would wrap into a wrong picture.
  if (settings.width == 0 || settings.height == 0 || settings.width > kMaxSide ||
      settings.height > kMaxSide || uint32_t{settings.depth} * settings.width / 8 > kMaxRowBytes) {
    return ZEB_E_CODEC_501;
  }
  bounds_ = {0, 0, static_cast<int16_t>(settings.height), static_cast<int16_t>(settings.width)};
  previousBounds_ = bounds_;
  sourcePixMap_ = NewSourcePixMap(settings, bounds_);
  if (!sourcePixMap_) return ZEB_E_CODEC_501;
  if (!OpenCompressor(settings, state, stateSize)) return ZEB_E_CODEC_501;
  if (!AllocateOutput(settings)) return ZEB_E_CODEC_501;
  if (codec::SCGetInfo(compressor_, codec::kSCSequenceIDType, &sequence_) != 0) {
    return ZEB_E_CODEC_501;
  }
  if (previousPixMap_) {
    static_cast<void>(
        codec::SetCSequencePrevBuffer(sequence_, previousPixMap_.get(), &previousBounds_));
  }
  return ZEB_OK;
}

bool CQTVideoEncoder::OpenCompressor(const VideoCompressionSettings& settings, const uint8_t* state,
                                     uint32_t stateSize) {
  const int32_t keyFrameRate = settings.keyFrameRate < 1 ? 1 : settings.keyFrameRate;
  temporalQuality_ = 0;
  spatialQuality_ = settings.spatialQuality;
  compressFlags_ = 0;
  if (keyFrameRate > 1) {
    temporalQuality_ = settings.temporalQuality;
    compressFlags_ = settings.codecType == zeb::media::FourCC("avc1")
                         ? kAvcTemporalFlags
                         : codec::kCodecFlagUpdatePrevious;
    previousPixMap_ = std::make_unique<codec::PixMap>(*sourcePixMap_);
    previousPixels_.reset(new (std::nothrow) uint8_t[size_t{settings.width} * settings.height * 4]);
    if (!previousPixels_) return false;
    previousPixMap_->baseAddr = previousPixels_.get();
  }
  description_ = zeb::movie::NewHandle(86);
  if (description_ == nullptr) return false;
  if (codec::OpenADefaultComponent(codec::kStandardCompressionType,
                                   codec::kStandardCompressionSubType, &compressor_) != 0) {
    return false;
  }
  const codec::SCSpatialSettings spatial{settings.codecType, nullptr,
                                         static_cast<int16_t>(settings.depth), spatialQuality_};
  const codec::SCTemporalSettings temporal{
      temporalQuality_, FixedFrameRate(settings.frameRateNum, settings.frameRateDen), keyFrameRate};
  const codec::SCDataRateSettings dataRate{static_cast<int32_t>(settings.dataRate >> 3), 1,
                                           spatialQuality_, temporalQuality_};
  static_cast<void>(codec::SCSetInfo(compressor_, codec::kSCSpatialSettingsType, &spatial));
  static_cast<void>(codec::SCSetInfo(compressor_, codec::kSCTemporalSettingsType, &temporal));
  static_cast<void>(codec::SCSetInfo(compressor_, codec::kSCDataRateSettingsType, &dataRate));
  if (state != nullptr && stateSize > 0) {
    zeb::movie::Handle stateHandle = zeb::movie::NewHandle(stateSize);
    if (stateHandle != nullptr) {
      std::memcpy(*stateHandle, state, stateSize);
      static_cast<void>(codec::SCSetInfo(compressor_, codec::kSCSettingsStateType, &stateHandle));
    }
    zeb::movie::DisposeHandle(stateHandle);
  }
  return codec::SCCompressSequenceBegin(compressor_, sourcePixMap_.get(), &bounds_, description_) ==
         0;
}

bool CQTVideoEncoder::AllocateOutput(const VideoCompressionSettings& settings) {
  int32_t maxSize = 0;
  const uint64_t minimum = uint64_t{settings.width} * settings.height;
  uint64_t size = minimum;
  if (codec::GetMaxCompressionSize(sourcePixMap_.get(), &bounds_,
                                   static_cast<int16_t>(settings.depth), spatialQuality_,
                                   settings.codecType, nullptr, &maxSize) == 0 &&
      static_cast<uint64_t>(maxSize) > minimum) {
    size = static_cast<uint64_t>(maxSize);
  }
  outBuffer_.reset(new (std::nothrow) uint8_t[settings.depth * size / 8]);
  return outBuffer_ != nullptr;
}

uint32_t CQTVideoEncoder::Encode(uint8_t* pixels, uint32_t /*hostDataSize*/, uint8_t** data,
                                 uint32_t* size, bool* keyFrame, uint8_t** description) {
  *size = 0;
  if (sequence_ == nullptr) return ZEB_E_COMPRESS_FAILED;
  sourcePixMap_->baseAddr = pixels;
  int32_t compressedSize = 0;
  uint8_t similarity = 0;
  const codec::OSErr result =
      codec::CompressSequenceFrame(sequence_, sourcePixMap_.get(), &bounds_, compressFlags_,
                                   outBuffer_.get(), &compressedSize, &similarity, nullptr);
  if (result != 0) {
    ZEB_OutputW(kQtLogSource, ZEB_INFO_ERROR,
                L"CQTVideoEncoder--QT Api--CompressSequenceFrame() return %d",
                static_cast<int>(static_cast<int16_t>(result)));
    return ZEB_E_COMPRESS_FAILED;
  }
  *data = outBuffer_.get();
  *size = static_cast<uint32_t>(compressedSize);
  *keyFrame = similarity == 0;
  *description = *description_;
  return ZEB_OK;
}

void CQTVideoEncoder::Close() {
  // The component owns the sequence: ending it there ends the sequence.
  sequence_ = nullptr;
  sourcePixMap_.reset();
  previousPixMap_.reset();
  previousPixels_.reset();
  zeb::movie::DisposeHandle(description_);
  description_ = nullptr;
  if (compressor_ != nullptr) {
    codec::SCCompressSequenceEnd(compressor_);
    codec::CloseComponent(compressor_);
    compressor_ = nullptr;
  }
  outBuffer_.reset();
}
