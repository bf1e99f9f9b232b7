// The video decoder's frames: decoding, the two-slot delay that puts
// pictures into display order, and handing pictures out.
//
// A frame whose display number is not below its decode number can be
// referred to by later frames and may be shown after some of them, so its
// picture waits in a slot until the next such frame arrives; a frame shown
// before its decode position (a B-frame) leaves at once. That orders streams
// that reorder by one frame. A stream that declares a deeper reorder and
// brings a frame for a slot that is shown before the one waiting (a B-frame
// that later B-frames refer to, in H.264 pyramids) would have the waiting
// one leave too early: from then on every frame waits among depth + 1
// slots, and the one shown first leaves once more than depth frames wait.
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
    FollowReorderDepth();
  }
  const uint64_t display = DisplayNumber(*info);
  if (!deepReorder_ && reorderDepth_ > 1 && display >= info->decodePosition &&
      WaitsBehind(display)) {
    deepReorder_ = true;
  }
  if (deepReorder_) {
    Reorder(*info, display);
  } else if (display < info->decodePosition) {
    outInfo_ = *info;
    outInfo_.frameType = PLUG_FRAME_COMPRESS_TYPE_DECODED_;
    outInfo_.dataSize = outSize_;
  } else {
    Delay(*info, display);
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
    firstDisplay_ = display;
    displayShiftKnown_ = true;
  } else if (display < firstDisplay_) {
    LowerDisplayShift(displayShift_ > 0 ? displayShift_ - 1 : 0);
  } else {
    firstDisplay_ = 0;  // the leading pictures, if any, have passed
  }
  return display >= displayShift_ ? display - displayShift_ : 0;
}

// A first frame that opens an open group of pictures is shown after the
// leading pictures decoded right behind it (B-frames that refer to the group
// before), and leads its decode position by the shift and one frame for
// each of them. Pictures waiting keep their order against the new numbers.
void CQTSuppotVideoDec::LowerDisplayShift(uint64_t shift) {
  for (Slot& slot : slots_) {
    if (slot.size != 0) slot.display += displayShift_ - shift;
  }
  displayShift_ = shift;
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

// Slots for the depth the decoder reports; where memory runs out, the depth
// stays what the slots hold.
void CQTSuppotVideoDec::FollowReorderDepth() {
  const uint32_t depth = qtDecoder_->ReorderDepth();
  while (depth > reorderDepth_ && slots_.size() < size_t{depth} + 1) {
    Slot slot;
    slot.buffer.reset(new (std::nothrow) uint8_t[slotCapacity_]);
    if (!slot.buffer) break;
    PlugRecords::Init(slot.info);
    slots_.push_back(std::move(slot));
  }
  reorderDepth_ = std::max(reorderDepth_, std::min<uint32_t>(depth, slots_.size() - 1));
}

void CQTSuppotVideoDec::Store(Slot& slot, SPlugFrameInfo& info, uint64_t display) {
  const uint32_t bytes = std::min(outSize_, slotCapacity_);
  if (bytes != 0) std::memcpy(slot.buffer.get(), outData_, bytes);
  slot.size = bytes;
  slot.display = display;
  info.streamType = kVideoStream;
  info.dataSize = slot.size;
  slot.info = info;
  slot.info.frameType = PLUG_FRAME_COMPRESS_TYPE_DECODED_;
}

void CQTSuppotVideoDec::Delay(SPlugFrameInfo& info, uint64_t display) {
  // A decoder never opened (or refused) has no slots and gives nothing.
  if (slots_.size() < 2) {
    outSize_ = 0;
    return;
  }
  const size_t chosen = slots_[0].size != 0 ? 1 : 0;
  Store(slots_[chosen], info, display);
  TakeSlot(slots_[(chosen + 1) % 2]);
}

// At most reorderDepth_ frames wait before this one, so a slot is free.
void CQTSuppotVideoDec::Reorder(SPlugFrameInfo& info, uint64_t display) {
  const auto free =
      std::find_if(slots_.begin(), slots_.end(), [](const Slot& slot) { return slot.size == 0; });
  if (free != slots_.end()) Store(*free, info, display);
  const auto held =
      std::count_if(slots_.begin(), slots_.end(), [](const Slot& slot) { return slot.size != 0; });
  outSize_ = 0;
  if (static_cast<uint32_t>(held) > reorderDepth_) TakeSlot(*EarliestHeld());
}

bool CQTSuppotVideoDec::WaitsBehind(uint64_t display) const {
  return std::any_of(slots_.begin(), slots_.end(), [display](const Slot& slot) {
    return slot.size != 0 && slot.display > display;
  });
}

CQTSuppotVideoDec::Slot* CQTSuppotVideoDec::EarliestHeld() {
  Slot* earliest = nullptr;
  for (Slot& slot : slots_) {
    if (slot.size != 0 && (earliest == nullptr || slot.display < earliest->display)) {
      earliest = &slot;
    }
  }
  return earliest;
}

void CQTSuppotVideoDec::TakeSlot(Slot& slot) {
  outData_ = slot.buffer.get();
  outSize_ = slot.size;
  outInfo_ = slot.info;
  slot.size = 0;
}

bool CQTSuppotVideoDec::TakeSlotAtEnd() {
  Slot* earliest = EarliestHeld();
  if (earliest == nullptr) return false;
  TakeSlot(*earliest);
  outInfo_.streamState = PLUG_STREAMSTATE_END_;
  return true;
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
