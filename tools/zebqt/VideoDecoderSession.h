// One video stream decoded to '2vuy' through the video decoder family, as a
// host drives it: create, open with the stream's record and description,
// frames in decode order in, pictures in display order out, destroy.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "tools/zebqt/PluginLibrary.h"
#include "tools/zebqt/ReaderSession.h"

struct DecodedPicture {
  std::span<const uint8_t> bytes;  // plane 0, in the decoder's memory until the next call
  uint64_t position = 0;           // the frame record's presentation position
};

class VideoDecoderSession {
 public:
  // Opens a decoder for `stream` (a reader's video record with its kind-5
  // description, which must outlive the session); throws a Failure
  // (kExitMovie) when the decoder refuses the stream.
  VideoDecoderSession(const PluginLibrary& plugin, const SPlugStreamInfo& stream);
  ~VideoDecoderSession();
  VideoDecoderSession(const VideoDecoderSession&) = delete;
  VideoDecoderSession& operator=(const VideoDecoderSession&) = delete;

  // Hands the decoder one coded frame as the reader delivered it.
  void Decode(const uint8_t* data, const SPlugFrameInfo& info, uint32_t index);
  // Tells the decoder the stream has ended, so that fetches drain its delay.
  void End();
  // The next picture in display order; false when none is ready.
  bool Fetch(DecodedPicture& picture);
  // Reads the reader's `frameCount` video frames in decode order and decodes
  // each, handing every picture to `take` in display order as soon as it is
  // ready; `afterFrame` (when given) hears of each frame read, counting from
  // 1. The stream's delay is drained at the end.
  void DecodeEveryFrame(ReaderSession& reader, uint32_t frameCount,
                        const std::function<void(const DecodedPicture&)>& take,
                        const std::function<void(uint32_t)>& afterFrame = nullptr);

 private:
  ZEBHandle handle_ = nullptr;
  PFN_DestroyVideoDecoder destroy_;
  PFN_DecodeVideoFrame decode_;
  PFN_GetDecodedVideoFrame fetch_;
};
