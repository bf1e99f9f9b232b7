// The decompression side of the video decoder: a decompression sequence of
// the codec bridge drawing into a graphics world over picture memory this
// object owns, and the scratch buffer that turns 'avc1' frames from start
// codes back into length-prefixed units.
#pragma once

#include <cstdint>

#include "platform/codec/ImageCodec.h"
#include "platform/movie/Handle.h"
#include "platform/sys/AlignedBuffer.h"

// What Decode returns for a frame that gave no picture; the front object
// does not pass it on.
inline constexpr uint32_t kVideoFrameNotDecoded = 0x8000030Au;

class CQTVideoDecoder {
 public:
  CQTVideoDecoder();
  virtual ~CQTVideoDecoder();
  CQTVideoDecoder(const CQTVideoDecoder&) = delete;
  CQTVideoDecoder& operator=(const CQTVideoDecoder&) = delete;

  // Begins a sequence for `description` (the caller's; not kept) into
  // '2vuy' or, with `argbMode`, 'ARGB' pictures of `width` × `height`, rows
  // `requestedRowBytes` apart when that is more than the format needs.
  // 0, or 0x80000500 when the sequence cannot be begun.
  uint32_t Open(zeb::movie::Handle description, bool argbMode, uint32_t width, uint32_t height,
                int32_t requestedRowBytes, const uint8_t* firstData, uint32_t firstSize);
  // Draws one frame. The picture is always the whole picture memory, valid
  // until the next Decode or Close; 0 or kVideoFrameNotDecoded.
  uint32_t Decode(const uint8_t* data, uint32_t size, uint8_t** picture, uint32_t* pictureSize);
  // Frames the stream may decode before one it shows earlier (0 when it does
  // not reorder), as far as the frames decoded so far tell.
  uint32_t ReorderDepth() const;
  void Close();

 private:
  // The 'avc1' frame as the decompressor takes it: a frame already in units
  // behind lengths, or without a start code, as it is; one with start codes
  // rewritten in the scratch buffer; null when it does not fit there.
  const uint8_t* LengthPrefixed(const uint8_t* data, uint32_t& size);

  zeb::codec::ImageSequence sequence_ = nullptr;
  zeb::sys::AlignedBuffer pixels_;
  uint32_t pixelsSize_ = 0;
  zeb::sys::AlignedBuffer avcBuffer_;  // empty unless the frames are 'avc1' with an 'avcC'
  uint32_t avcLengthSize_ = 4;         // bytes of each unit's length, from the 'avcC'
  zeb::codec::GWorldPtr world_ = nullptr;
};
