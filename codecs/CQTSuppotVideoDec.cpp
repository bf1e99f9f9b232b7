// Opening and closing the video decoder, and the picture format it reports.
#include <cstring>
#include <limits>
#include <new>

#include "codecs/CQTSuppotVideoDec.h"
#include "core/FrameFormatLayout.h"
#include "core/PlugRecords.h"
#include "core/QtLog.h"
#include "framework/proxy/include/ZEBProxyCodec.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugResults.h"

CQTSuppotVideoDec::CQTSuppotVideoDec(ImageDescriptionBuilder buildDescription)
    : buildDescription_(buildDescription) {
  PlugRecords::Init(streamInfo_);
  PlugRecords::Init(outputFormat_);
  PlugRecords::Init(outInfo_);
}

CQTSuppotVideoDec::~CQTSuppotVideoDec() { Close(); }

uint32_t CQTSuppotVideoDec::Open(SPlugVideoStreamInfo* info, const SPlugPrivateDesc* privateDesc) {
  Close();
  if (info == nullptr) return ZEB_E_NULL_POINTER;
  PlugRecords::Copy(streamInfo_, *info);
  const uint32_t fourcc = GetQuickTimeVideoTypeFOURCC(&streamInfo_);
  passThroughColorFormat_ = 0;
  passThrough_ = IsQuickTimeUnCompressVideoType(fourcc, &passThroughColorFormat_) != 0 ? 1 : 0;
  if (passThrough_) {
    info->colorFormat = passThroughColorFormat_;
    streamInfo_.colorFormat = passThroughColorFormat_;
    return ZEB_OK;
  }
  argbMode_ = streamInfo_.colorFormat == PLUG_COLOR_FORMAT_ARGB32_ ? 1 : 0;
  QtLogTrace(argbMode_ ? L"CQTSuppotVideoDec::ARGB mode" : L"CQTSuppotVideoDec::UYVY mode");
  // The format comes first: its row bytes are the picture rows the decoder draws.
  ComputeOutputFormat(nullptr);
  if (OpenDecompression(fourcc, privateDesc) != ZEB_OK) return ZEB_E_UNSUPPORTED_VARIANT;
  const uint64_t slotBytes = uint64_t{streamInfo_.width} * streamInfo_.height * 4;
  if (slotBytes > std::numeric_limits<uint32_t>::max()) return ZEB_E_UNSUPPORTED_VARIANT;
  slotCapacity_ = static_cast<uint32_t>(slotBytes);
  slots_.resize(2);
  for (Slot& slot : slots_) {
    slot.buffer.reset(new (std::nothrow) uint8_t[slotCapacity_]);
    if (!slot.buffer) return ZEB_E_UNSUPPORTED_VARIANT;
    slot.size = 0;
    PlugRecords::Init(slot.info);
  }
  return ZEB_OK;
}

uint32_t CQTSuppotVideoDec::OpenDecompression(uint32_t fourcc,
                                              const SPlugPrivateDesc* privateDesc) {
  qtDecoder_.reset(new (std::nothrow) CQTVideoDecoder());
  if (!qtDecoder_) return ZEB_E_CODEC_500;
  if (privateDesc != nullptr && privateDesc->kind == PLUG_PRIVATE_QT_IMAGE_DESCRIPTION &&
      privateDesc->address != nullptr) {
    descriptionHandle_ = zeb::movie::NewHandle(privateDesc->size);
    if (descriptionHandle_ == nullptr) return ZEB_E_CODEC_500;
    if (privateDesc->size != 0) {
      std::memcpy(*descriptionHandle_, privateDesc->address, privateDesc->size);
    }
  }
  zeb::movie::Handle built = nullptr;
  if (descriptionHandle_ == nullptr && buildDescription_ != nullptr) {
    built = buildDescription_(fourcc, streamInfo_);
  }
  // The picture has the size and rows of the format the host is told, so
  // that it fills that layout even where the description's size differs
  // (DVCPRO HD is described 960 wide and shown 1280 wide).
  const uint32_t result =
      qtDecoder_->Open(descriptionHandle_ != nullptr ? descriptionHandle_ : built, argbMode_ != 0,
                       outputFormat_.width, outputFormat_.height,
                       static_cast<int32_t>(outputFormat_.rowBytes[0]), nullptr, 0);
  zeb::movie::DisposeHandle(built);
  return result;
}

void CQTSuppotVideoDec::ComputeOutputFormat(const SPlugVideoFrameFormat* requested) {
  // From the defaults each time, so that a reopened stream of another size
  // does not keep the old row bytes.
  PlugRecords::Init(outputFormat_);
  outputFormat_.colorFormat = argbMode_ ? PLUG_COLOR_FORMAT_ARGB32_ : PLUG_COLOR_FORMAT_UYVY_;
  outputFormat_.width = streamInfo_.width;
  outputFormat_.height = streamInfo_.height;
  outputFormat_.fieldOrder = static_cast<int32_t>(streamInfo_.fieldOrder);
  outputFormat_.aspectX = streamInfo_.aspectX;
  outputFormat_.aspectY = streamInfo_.aspectY;
  outputFormat_.flag3 = 1;
  outputFormat_.videoRange = requested != nullptr ? requested->videoRange : 1;
  PlugRecords::ComputeFrameFormatLayout(outputFormat_);
}

uint32_t CQTSuppotVideoDec::GetOutputFormat(const SPlugVideoFrameFormat* requested,
                                            SPlugVideoFrameFormat* format) {
  if (format == nullptr) return ZEB_E_NULL_POINTER;
  ComputeOutputFormat(requested);
  *format = outputFormat_;
  return ZEB_OK;
}

void CQTSuppotVideoDec::Close() {
  if (qtDecoder_) qtDecoder_->Close();
  qtDecoder_.reset();
  zeb::movie::DisposeHandle(descriptionHandle_);
  descriptionHandle_ = nullptr;
  slots_.clear();
  slotCapacity_ = 0;
  reorderDepth_ = 0;
  deepReorder_ = false;
  // The ready picture may lie in a freed slot or the decoder's memory.
  outData_ = nullptr;
  outSize_ = 0;
  lastStreamState_ = 0;
  passThroughCounter_ = 0;
  displayShiftKnown_ = false;
  displayShift_ = 0;
  firstDisplay_ = 0;
}
