// The video decoder's frames: decoding, the two-slot delay that puts
// pictures into display order, and handing pictures out.
//
// A frame whose display number is not below its decode number can be
// referred to by later frames and may be shown after some of them, so its
// picture waits in a slot until the next such frame arrives; a frame shown
// before its decode position (a B-frame) leaves at once.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "codecs/CQTSuppotVideoDec.h"
#include "core/FrameFormatLayout.h"
#include "core/PlugRecords.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr uint32_t kVideoStream = 1;

// Words 12-13 of a frame record (its second time value) into words 10-11.
void CopySecondTimeToFirst(SPlugFrameInfo& info) { info.timeValues[0] = info.timeValues[1]; }

}  // namespace

uint32_t CQTSuppotVideoDec::Decode(const uint8_t* data, SPlugFrameInfo* info) {
  if (info == nullptr) return ZEB_E_NULL_POINTER;
  lastStreamState_ = info->streamState;
  if (passThrough_) {
    PassThrough(data, *info);
    return ZEB_OK;
  }
  outData_ = nullptr;
  outSize_ = 0;
  const auto dataSize = static_cast<int32_t>(info->dataSize);
  if (data != nullptr && dataSize > 0 && qtDecoder_) {
    uint8_t* picture = nullptr;
    uint32_t pictureSize = 0;
    // A frame that fails leaves the picture memory as it was; the host gets
    // it all the same.
    static_cast<void>(
        qtDecoder_->Decode(data, static_cast<uint32_t>(dataSize), &picture, &pictureSize));
    outData_ = picture;
    outSize_ = picture != nullptr ? pictureSize : 0;
  }
  if (DisplayNumber(*info) < info->decodePosition) {
    outInfo_ = *info;
    outInfo_.frameType = PLUG_FRAME_COMPRESS_TYPE_DECODED_;
    outInfo_.dataSize = outSize_;
  } else {
    Delay(*info);
  }
  CopySecondTimeToFirst(outInfo_);
  return ZEB_OK;
}

uint64_t CQTSuppotVideoDec::DisplayNumber(const SPlugFrameInfo& info) {
  const uint64_t display = info.presentationPosition;
  const uint64_t decode = info.decodePosition;
  if (display == PlugRecords::kUnsetPosition || decode == PlugRecords::kUnsetPosition) {
    return display;
  }
  if (!displayShiftKnown_) {
    displayShift_ = display > decode ? display - decode : 0;
    displayShiftKnown_ = true;
  }
  return display >= displayShift_ ? display - displayShift_ : 0;
}

void CQTSuppotVideoDec::PassThrough(const uint8_t* data, const SPlugFrameInfo& info) {
  outData_ = data;
  outSize_ = data != nullptr ? info.dataSize : 0;
  outInfo_ = info;
  outInfo_.frameType = PLUG_FRAME_COMPRESS_TYPE_DECODED_;
  outInfo_.dataSize = outSize_;
  if (info.presentationPosition != PlugRecords::kUnsetPosition) {
    outInfo_.decodePosition = info.presentationPosition;
    passThroughCounter_ = static_cast<uint32_t>(info.presentationPosition) + 1;
  } else {
    outInfo_.decodePosition = passThroughCounter_++;
  }
}

void CQTSuppotVideoDec::Delay(SPlugFrameInfo& info) {
  const size_t chosen = slots_[0].size != 0 ? 1 : 0;
  Slot& slot = slots_[chosen];
  const uint32_t bytes = std::min(outSize_, slotCapacity_);
  if (bytes != 0) std::memcpy(slot.buffer.get(), outData_, bytes);
  slot.size = bytes;
  info.streamType = kVideoStream;
  info.dataSize = slot.size;
  slot.info = info;
  slot.info.frameType = PLUG_FRAME_COMPRESS_TYPE_DECODED_;
  TakeSlot(slots_[(chosen + 1) % 2]);
}

void CQTSuppotVideoDec::TakeSlot(Slot& slot) {
  outData_ = slot.buffer.get();
  outSize_ = slot.size;
  outInfo_ = slot.info;
  slot.size = 0;
}

bool CQTSuppotVideoDec::TakeSlotAtEnd() {
  for (Slot& slot : slots_) {
    if (slot.size == 0) continue;
    TakeSlot(slot);
    outInfo_.streamState = PLUG_STREAMSTATE_END_;
    return true;
  }
  return false;
}

uint32_t CQTSuppotVideoDec::GetDecodedFrame(SPlugVideoFrame* picture, SPlugFrameInfo* info) {
  if (picture == nullptr || info == nullptr) return ZEB_E_NULL_POINTER;
  info->streamType = kVideoStream;
  info->frameType = PLUG_FRAME_COMPRESS_TYPE_NONE_;
  info->dataSize = 0;
  if (outSize_ == 0 && (lastStreamState_ != PLUG_STREAMSTATE_END_ || !TakeSlotAtEnd())) {
    return ZEB_OK;
  }
  HandOut(*picture);
  *info = outInfo_;
  info->frameType = PLUG_FRAME_COMPRESS_TYPE_DECODED_;
  outSize_ = 0;
  return ZEB_OK;
}

void CQTSuppotVideoDec::HandOut(SPlugVideoFrame& picture) const {
  SPlugVideoFrameFormat& format = picture.format;
  if (picture.plane[0] != nullptr) {
    // The host's buffer holds the plane the output format reports; a decoded
    // picture taller than the stream is cut to it.
    const uint32_t bytes = passThrough_ ? outSize_ : std::min(outSize_, outputFormat_.planeSize[0]);
    std::memcpy(picture.plane[0], outData_, bytes);
    format.planeSize[0] = bytes;
    return;
  }
  // Words 0-16 of the output format (through the row bytes), then the layout.
  std::memcpy(&format, &outputFormat_, offsetof(SPlugVideoFrameFormat, planeSize));
  std::fill(std::begin(format.planeSize), std::end(format.planeSize), 0u);
  std::fill(std::begin(picture.plane), std::end(picture.plane), nullptr);
  for (auto& extra : picture.planeExtra) std::fill(std::begin(extra), std::end(extra), 0u);
  PlugRecords::ComputeFrameFormatLayout(format);
  picture.plane[0] = const_cast<uint8_t*>(outData_);
  format.planeSize[0] = outSize_;
}
