// The video ordinals: one frame into a caller's or the shared buffer, with
// its frame type, display position and end-of-stream state, and the walks to
// the key frame before a frame and to the next reference frame.
#include <algorithm>
#include <limits>

#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"
#include "media/CodecTraits.h"
#include "media/FourCC.h"
#include "media/StartCodeScanner.h"
#include "reader/CQTReader.h"
#include "reader/CQuickTimeSpliter.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugResults.h"

using zeb::media::FourCC;
using zeb::media::PictureTyping;

namespace {

bool IsKeyFrameType(uint32_t type) {
  return type == PLUG_FRAME_COMPRESS_TYPE_I_ || type == PLUG_FRAME_COMPRESS_TYPE_IDR_;
}

bool IsReferenceFrameType(uint32_t type) {
  return IsKeyFrameType(type) || type == PLUG_FRAME_COMPRESS_TYPE_P_;
}

// The bytes of an Annex B access unit that decide its picture type: up to
// the first slice unit's first kSliceHeaderBytes bytes (all of the unit when
// no slice is found). Units before the slice are skipped by their start
// codes, so the slice data itself is never scanned.
constexpr size_t kSliceHeaderBytes = 64;

uint32_t PictureTypeSpan(std::span<const uint8_t> accessUnit) {
  const zeb::media::StartCodeScanner scanner(accessUnit);
  for (auto unit = scanner.FindUnitStart(0); unit && *unit < accessUnit.size();
       unit = scanner.FindUnitStart(*unit)) {
    const uint8_t type = accessUnit[*unit] & 0x1F;
    if (type >= 1 && type <= 5)
      return static_cast<uint32_t>(std::min(accessUnit.size(), *unit + kSliceHeaderBytes));
  }
  return static_cast<uint32_t>(accessUnit.size());
}

// index + offset in 64-bit arithmetic, the offset sign-extended.
uint64_t Displaced(uint32_t index, int32_t offset) {
  return uint64_t{index} + static_cast<uint64_t>(static_cast<int64_t>(offset));
}

}  // namespace

// With no frames the index test wraps and lets every index through: the
// reader then refuses it and logs the range.
bool CQuickTimeSpliter::IsPastLastFrame(uint32_t index) const {
  return reader_ == nullptr || index > frameCount_ - 1;
}

uint32_t CQuickTimeSpliter::ReadVideoFrame(uint32_t index, uint8_t* buffer, SPlugFrameInfo* info) {
  return ReadFrameInto(index, buffer, maxVideoFrameSize_, info);
}

uint32_t CQuickTimeSpliter::ReadFrameInto(uint32_t index, uint8_t* buffer, uint32_t capacity,
                                          SPlugFrameInfo* info) {
  if (IsPastLastFrame(index)) return ZEB_E_OUT_OF_RANGE;
  if (buffer == nullptr || info == nullptr) return ZEB_E_NULL_POINTER;
  uint32_t key = 0;
  int32_t displayOffset = 0;
  const uint32_t read =
      reader_->GetVideoFrame(index, buffer, capacity, &info->dataSize, &key, &displayOffset);
  if (read != ZEB_OK) return read;
  if (info->dataSize == 0) return ZEB_E_EMPTY_FRAME;

  const uint32_t fourcc = reader_->VideoFourCC();
  info->decodePosition = index;
  info->presentationPosition = index;
  info->streamType = PLUG_STREAM_TYPE_VIDEO_;
  info->unitCount = 1;
  PlugRecords::SetPrivate(*info, videoDesc_);
  info->frameType = key != 0 ? PLUG_FRAME_COMPRESS_TYPE_I_ : PLUG_FRAME_COMPRESS_TYPE_P_;
  const auto* codec = zeb::media::FindVideoCodec(fourcc);
  const PictureTyping typing = codec != nullptr ? codec->pictures : PictureTyping::kSyncFlag;
  if (key == 0 && typing == PictureTyping::kMpegPictureHeader) {
    MpegVideoInfo picture{};
    GetMpegVideoRef(buffer, info->dataSize, &picture);
    info->frameType = picture.pictureType;
  }
  if (fourcc == FourCC("mpeg")) {
    // The stored offset counts from the frame after; frame 0 without an
    // offset thus has all bits set.
    info->presentationPosition = Displaced(index, displayOffset) - 1;
  } else if (typing == PictureTyping::kH264Slices) {
    info->frameType = GetH264FrameType(buffer, PictureTypeSpan(std::span(buffer, info->dataSize)));
    if (key != 0 && !IsKeyFrameType(info->frameType)) info->frameType = PLUG_FRAME_COMPRESS_TYPE_I_;
    info->presentationPosition = Displaced(index, displayOffset);
  } else {
    info->presentationPosition = Displaced(index, displayOffset);
    if (key == 0 && displayOffset < 0) info->frameType = PLUG_FRAME_COMPRESS_TYPE_B_;
  }
  info->streamState = index == frameCount_ - 1 ? PLUG_STREAMSTATE_END_ : PLUG_STREAMSTATE_MORE_;
  nextFrame_ = index + 1;
  return ZEB_OK;
}

uint8_t* CQuickTimeSpliter::SharedFrameBuffer() {
  constexpr size_t kPage = 4096;
  // A movie without frames still gets a block, whose reads the reader refuses.
  if (frameBuffer_.empty() &&
      !frameBuffer_.Allocate(std::max<size_t>(maxVideoFrameSize_, 1), kPage)) {
    return nullptr;
  }
  return frameBuffer_.data();
}

uint32_t CQuickTimeSpliter::ReadVideoFrameShared(uint32_t index, uint8_t** buffer,
                                                 SPlugFrameInfo* info) {
  if (IsPastLastFrame(index)) return ZEB_E_OUT_OF_RANGE;
  if (buffer == nullptr) return ZEB_E_NULL_POINTER;
  *buffer = SharedFrameBuffer();
  return ReadVideoFrame(index, *buffer, info);
}

// Steps back from `index` until a key frame shown at or before it, or frame 0.
uint32_t CQuickTimeSpliter::WalkToKeyFrame(uint32_t index, uint8_t** buffer, SPlugFrameInfo* info) {
  for (uint32_t at = index;; --at) {
    const uint32_t result = ReadVideoFrameShared(at, buffer, info);
    if (result != ZEB_OK) return result;
    const bool shownByIndex = info->presentationPosition <= uint64_t{index};
    if ((IsKeyFrameType(info->frameType) && shownByIndex) || at == 0) return result;
  }
}

uint32_t CQuickTimeSpliter::ReadKeyFrameBefore(uint32_t index, uint8_t** buffer,
                                               SPlugFrameInfo* info) {
  return WalkToKeyFrame(index, buffer, info);
}

uint32_t CQuickTimeSpliter::PeekKeyFrameBefore(uint32_t index, SPlugFrameInfo* info) {
  const uint32_t saved = nextFrame_;
  uint8_t* buffer = nullptr;
  const uint32_t result = WalkToKeyFrame(index, &buffer, info);
  nextFrame_ = saved;
  return result;
}

uint32_t CQuickTimeSpliter::ReadCurrentVideoFrame(uint8_t** buffer, SPlugFrameInfo* info) {
  return ReadVideoFrameShared(nextFrame_, buffer, info);
}

uint32_t CQuickTimeSpliter::ReadCurrentFrameInfo(SPlugFrameInfo* info) {
  uint8_t* buffer = nullptr;
  return ReadVideoFrameShared(nextFrame_, &buffer, info);
}

uint32_t CQuickTimeSpliter::PeekNextReferenceFrame(uint32_t index, SPlugFrameInfo* info) {
  const uint32_t saved = nextFrame_;
  uint8_t* buffer = nullptr;
  uint32_t result = ZEB_E_OUT_OF_RANGE;
  for (uint64_t at = uint64_t{index} + 1; at <= std::numeric_limits<uint32_t>::max(); ++at) {
    result = ReadVideoFrameShared(static_cast<uint32_t>(at), &buffer, info);
    if (result != ZEB_OK || IsReferenceFrameType(info->frameType)) break;
  }
  nextFrame_ = saved;
  return result;
}
