// The video decoder family's object (ordinals 1..11): the stream's state, the
// output format, and the two delay slots that put pictures into display
// order. Compressed streams are drawn by a CQTVideoDecoder; streams whose
// code is already an uncompressed pixel format pass through untouched.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "codecs/CQTVideoDecoder.h"
#include "platform/movie/Handle.h"
#include "zebplug/ZEBPlugRecords.h"

// Builds the image description of a stream that came without one: a new
// handle the caller disposes of, or null. Supplied by whoever creates the
// decoder, since the description builder belongs to the movie writer.
using ImageDescriptionBuilder = zeb::movie::Handle (*)(uint32_t fourcc,
                                                       const SPlugVideoStreamInfo& stream);

class CQTSuppotVideoDec {
 public:
  explicit CQTSuppotVideoDec(ImageDescriptionBuilder buildDescription);
  ~CQTSuppotVideoDec();
  CQTSuppotVideoDec(const CQTSuppotVideoDec&) = delete;
  CQTSuppotVideoDec& operator=(const CQTSuppotVideoDec&) = delete;

  // `info` is read and its colorFormat may be written; `privateDesc` may be
  // null. 0, 0x80000302 when the decoder cannot be set up.
  uint32_t Open(SPlugVideoStreamInfo* info, const SPlugPrivateDesc* privateDesc);
  // `requested` may be null; fills all 74 words of `format`.
  uint32_t GetOutputFormat(const SPlugVideoFrameFormat* requested, SPlugVideoFrameFormat* format);
  // One coded frame (`data` may be null at the end of the stream); `info` is
  // the frame's record, which the delayed path rewrites. Always 0 once open.
  uint32_t Decode(const uint8_t* data, SPlugFrameInfo* info);
  // Hands out the ready picture into `picture` (copied when its plane 0 is
  // set, else by address) and its record into `info`.
  uint32_t GetDecodedFrame(SPlugVideoFrame* picture, SPlugFrameInfo* info);
  void Close();

 private:
  struct Slot {
    std::unique_ptr<uint8_t[]> buffer;  // width × height × 4 bytes of the stream
    uint32_t size = 0;                  // bytes held; 0: free
    SPlugFrameInfo info;
    uint64_t display = 0;  // the frame's display number
  };

  void OpenPassThrough(SPlugVideoStreamInfo& info);
  uint32_t OpenDecompression(uint32_t fourcc, const SPlugPrivateDesc* privateDesc);
  void ComputeOutputFormat(const SPlugVideoFrameFormat* requested);
  void PassThrough(const uint8_t* data, const SPlugFrameInfo& info);
  uint64_t DisplayNumber(const SPlugFrameInfo& info);
  void LowerDisplayShift(uint64_t shift);
  void Delay(SPlugFrameInfo& info, uint64_t display);
  void Reorder(SPlugFrameInfo& info, uint64_t display);
  void Store(Slot& slot, SPlugFrameInfo& info, uint64_t display);
  void FollowReorderDepth();
  // A frame shown after `display` waits in a slot.
  bool WaitsBehind(uint64_t display) const;
  Slot* EarliestHeld();
  void TakeSlot(Slot& slot);
  bool TakeSlotAtEnd();
  void HandOut(SPlugVideoFrame& picture) const;

  ImageDescriptionBuilder buildDescription_;
  uint32_t argbMode_ = 0;
  uint32_t passThrough_ = 0;
  uint32_t passThroughColorFormat_ = 0;
  std::unique_ptr<CQTVideoDecoder> qtDecoder_;
  // Two slots, as the family's delay has; more where the stream reorders
  // deeper than they can put right (reorderDepth_ + 1 of them).
  std::vector<Slot> slots_;
  uint32_t slotCapacity_ = 0;  // bytes of each slot buffer
  uint32_t reorderDepth_ = 0;  // the stream's, as far as it has been decoded
  bool deepReorder_ = false;   // the slots are past what two can order
  const uint8_t* outData_ = nullptr;
  uint32_t outSize_ = 0;
  uint32_t lastStreamState_ = 0;
  uint32_t passThroughCounter_ = 0;
  // Display positions count from the first frame's decode position: movies
  // whose display offsets are all shifted by the reorder delay give
  // positions that many frames too high, which the delay takes off. The
  // first frame's lead gives the shift, less one for each frame shown before
  // it (the leading pictures of an open group).
  bool displayShiftKnown_ = false;
  uint64_t displayShift_ = 0;
  uint64_t firstDisplay_ = 0;
  SPlugVideoStreamInfo streamInfo_;
  zeb::movie::Handle descriptionHandle_ = nullptr;
  SPlugVideoFrameFormat outputFormat_;
  SPlugFrameInfo outInfo_;
};
