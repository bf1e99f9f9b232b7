// Opening the video encoder, its input format, and handing frames through.
#include "codecs/CQTSupportVideoEnc.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "codecs/VideoCompressionSettings.h"
#include "core/FrameFormatLayout.h"
#include "core/PlugRecords.h"
#include "framework/proxy/include/ZEBProxyCodec.h"
#include "media/FourCC.h"
#include "platform/movie/ByteReader.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

using zeb::media::FourCC;

constexpr uint32_t kBestQuality = 1023;
constexpr uint16_t kSourceDepth = 16;  // '2vuy'
constexpr uint32_t kVideoStream = 1;
constexpr uint32_t kKeyFrame = 1;
constexpr uint32_t kDifferenceFrame = 2;
constexpr uint32_t kNoFrame = 100;

// The custom-setting block: its size, depth, the two qualities and the state
// size, little-endian, then the state bytes.
constexpr size_t kBlockHeaderSize = 20;
constexpr size_t kSpatialQualityAt = 8;
constexpr size_t kTemporalQualityAt = 12;
constexpr size_t kStateSizeAt = 16;

bool IsDvCode(uint32_t fourcc) {
  return fourcc == FourCC("dvcp") || fourcc == FourCC("dvpp") || fourcc == FourCC("dv5p") ||
         fourcc == FourCC("dvc ") || fourcc == FourCC("dv5n");
}

// Colour formats 1 to 6 are the RGB family.
uint32_t Flag3Of(uint32_t colorFormat) { return colorFormat >= 1 && colorFormat <= 6 ? 0 : 1; }

}  // namespace

CQTSupportVideoEnc::CQTSupportVideoEnc(ImageExtensionAppender appendExtensions)
    : appendExtensions_(appendExtensions) {
  PlugRecords::Init(outInfo_);
  PlugRecords::Init(streamInfo_);
}

CQTSupportVideoEnc::~CQTSupportVideoEnc() { Close(); }

uint32_t CQTSupportVideoEnc::QueryFourcc(SPlugVideoStreamInfo& info) {
  const uint32_t fourcc = GetQuickTimeVideoTypeFOURCC(&info);
  passThroughColorFormat_ = 0;
  passThrough_ = IsQuickTimeUnCompressVideoType(fourcc, &passThroughColorFormat_) != 0 ? 1 : 0;
  info.colorFormat =
      passThrough_ ? passThroughColorFormat_ : static_cast<uint32_t>(PLUG_COLOR_FORMAT_UYVY_);
  if (IsDvCode(fourcc)) info.fieldOrder = PLUG_FIELD_ORDER_BOTTOM_FIRST_;
  return fourcc;
}

uint32_t CQTSupportVideoEnc::QueryInput(SPlugVideoStreamInfo* info) {
  if (info == nullptr) return ZEB_E_NULL_POINTER;
  QueryFourcc(*info);
  return ZEB_OK;
}

bool CQTSupportVideoEnc::ReadCustomSettings(const SPlugPrivateDesc& block,
                                            CustomSettings& settings) {
  if (block.kind != PLUG_PRIVATE_VIDEO_SETTINGS || block.address == nullptr ||
      block.size < kBlockHeaderSize) {
    return false;
  }
  const auto* bytes = static_cast<const uint8_t*>(block.address);
  const zeb::movie::ByteReader header({bytes, block.size});
  static_cast<void>(header.ReadNativeAt(kSpatialQualityAt, settings.spatialQuality));
  static_cast<void>(header.ReadNativeAt(kTemporalQualityAt, settings.temporalQuality));
  uint32_t stateSize = 0;
  static_cast<void>(header.ReadNativeAt(kStateSizeAt, stateSize));
  // State the block does not hold is not read.
  if (stateSize > 0 && stateSize <= block.size - kBlockHeaderSize) {
    settings.state = bytes + kBlockHeaderSize;
    settings.stateSize = stateSize;
  }
  return true;
}

uint32_t CQTSupportVideoEnc::Open(SPlugVideoStreamInfo* info, const SPlugPrivateDesc* privateDesc) {
  Close();
  if (info == nullptr) return ZEB_E_NULL_POINTER;
  const uint32_t fourcc = QueryFourcc(*info);
  pendingData_ = nullptr;
  PlugRecords::Copy(streamInfo_, *info);
  if (passThrough_) {
    info->colorFormat = passThroughColorFormat_;
    streamInfo_.colorFormat = passThroughColorFormat_;
    return ZEB_OK;
  }
  VideoCompressionSettings settings;
  settings.codecType = fourcc;
  settings.width = streamInfo_.width;
  settings.height = streamInfo_.height;
  settings.keyFrameRate = static_cast<int32_t>(streamInfo_.gopSize);
  settings.dataRate = streamInfo_.bitRate;
  settings.frameRateNum = streamInfo_.frameRateNum;
  settings.frameRateDen = streamInfo_.frameRateDen;
  settings.spatialQuality = kBestQuality;
  settings.temporalQuality = kBestQuality;
  settings.depth = kSourceDepth;
  inputColorFormat_ = PLUG_COLOR_FORMAT_UYVY_;
  CustomSettings custom;
  if (privateDesc != nullptr && ReadCustomSettings(*privateDesc, custom)) {
    settings.spatialQuality = custom.spatialQuality;
    settings.temporalQuality = custom.temporalQuality;
  }
  streamInfo_.colorFormat = inputColorFormat_;
  descriptionData_.reset(new (std::nothrow)
                             SPlugPrivateDesc{PLUG_PRIVATE_QT_IMAGE_DESCRIPTION, nullptr, 0});
  qtEncoder_.reset(new (std::nothrow) CQTVideoEncoder());
  if (!descriptionData_ || !qtEncoder_) return ZEB_E_CODEC_501;
  const uint32_t result = qtEncoder_->Open(settings, custom.state, custom.stateSize);
  if (result == ZEB_OK && appendExtensions_ != nullptr) {
    appendExtensions_(qtEncoder_->Description(), fourcc, streamInfo_);
  }
  return result;
}

uint32_t CQTSupportVideoEnc::GetInputFormat(SPlugVideoFrameFormat* format) const {
  if (format == nullptr) return ZEB_E_NULL_POINTER;
  SPlugVideoFrameFormat out;
  PlugRecords::Init(out);
  out.colorFormat = streamInfo_.colorFormat;
  out.width = streamInfo_.width;
  out.height = streamInfo_.height;
  out.fieldOrder = static_cast<int32_t>(streamInfo_.fieldOrder);
  out.aspectX = streamInfo_.aspectX;
  out.aspectY = streamInfo_.aspectY;
  out.videoRange = streamInfo_.videoRange;
  out.matrix = streamInfo_.matrix;
  out.transferFunction = streamInfo_.transferFunction;
  out.colorPrimaries = streamInfo_.colorPrimaries;
  out.componentDepth = static_cast<uint32_t>(streamInfo_.componentDepth);
  out.flag3 = Flag3Of(out.colorFormat);
  std::fill(std::begin(out.rowBytes), std::end(out.rowBytes), 0u);
  std::fill(std::begin(out.planeSize), std::end(out.planeSize), 0u);
  PlugRecords::ComputeFrameFormatLayout(out);
  std::copy_n(streamInfo_.reserved + 2, 5, out.reserved);
  if (passThrough_) {
    out.flag3 = 1;
  } else {
    out.colorFormat = streamInfo_.colorFormat;
    PlugRecords::ComputeFrameFormatLayout(out);
  }
  *format = out;
  return ZEB_OK;
}

uint32_t CQTSupportVideoEnc::Encode(const SPlugVideoFrame* picture, const SPlugFrameInfo* info) {
  if (picture == nullptr || info == nullptr) return ZEB_E_NULL_POINTER;
  if (passThrough_) {
    pendingData_ = picture->plane[0];
    outInfo_ = *info;
    return ZEB_OK;
  }
  if (!qtEncoder_) return ZEB_E_COMPRESS_FAILED;
  uint8_t* data = nullptr;
  uint32_t size = 0;
  bool keyFrame = false;
  uint8_t* description = nullptr;
  const uint32_t result =
      qtEncoder_->Encode(picture->plane[0], info->dataSize, &data, &size, &keyFrame, &description);
  outInfo_.dataSize = size;
  if (result != ZEB_OK) return result;
  pendingData_ = data;
  outInfo_.streamType = kVideoStream;
  outInfo_.frameType = keyFrame ? kKeyFrame : kDifferenceFrame;
  outInfo_.streamState = info->streamState;
  outInfo_.presentationPosition = info->presentationPosition;
  outInfo_.decodePosition = info->presentationPosition;
  uint32_t length = 0;
  std::memcpy(&length, description, sizeof length);
  *descriptionData_ = {PLUG_PRIVATE_QT_IMAGE_DESCRIPTION, description, length};
  outInfo_.privateKind = descriptionData_->kind;
  outInfo_.privateAddress = descriptionData_->address;
  outInfo_.privateSize = descriptionData_->size;
  return ZEB_OK;
}

uint32_t CQTSupportVideoEnc::GetEncodedFrame(uint8_t** data, SPlugFrameInfo* info) {
  if (data == nullptr || info == nullptr) return ZEB_E_NULL_POINTER;
  if (pendingData_ == nullptr) {
    info->streamType = kVideoStream;
    info->frameType = kNoFrame;
    info->dataSize = 0;
    return ZEB_OK;
  }
  *data = const_cast<uint8_t*>(pendingData_);
  *info = outInfo_;
  pendingData_ = nullptr;
  return ZEB_OK;
}

void CQTSupportVideoEnc::Close() {
  if (qtEncoder_) qtEncoder_->Close();
  qtEncoder_.reset();
  descriptionData_.reset();
  // The pending frame lies in the encoder's buffer, which is gone.
  pendingData_ = nullptr;
}
