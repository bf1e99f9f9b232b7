// One video stream coded from '2vuy' pictures through the video encoder
// family, as a host drives it: create, open with the stream record (code,
// size, rate, key-frame rate, data rate) and an optional settings block,
// a picture in and its coded frame out, destroy.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "tools/zebqt/PluginLibrary.h"

struct EncodedFrame {
  std::span<const uint8_t> bytes;        // in the encoder's memory until the next Encode
  std::span<const uint8_t> description;  // the kind-5 image description, the same lifetime
  uint32_t frameType = 0;
};

class VideoEncoderSession {
 public:
  // Opens an encoder for `record`; with `quality` (0..1023) a kind-6 block
  // sets the spatial and temporal quality, else the family's best. Throws a
  // Failure (kExitUsage) when the encoder refuses the code or the size.
  VideoEncoderSession(const PluginLibrary& plugin, const SPlugVideoStreamInfo& record,
                      std::optional<uint32_t> quality);
  ~VideoEncoderSession();
  VideoEncoderSession(const VideoEncoderSession&) = delete;
  VideoEncoderSession& operator=(const VideoEncoderSession&) = delete;

  // Codes one '2vuy' picture shown at `index` and fetches its frame.
  EncodedFrame Encode(std::span<const uint8_t> picture, uint64_t index);

 private:
  ZEBHandle handle_ = nullptr;
  PFN_DestroyVideoEncoder destroy_;
  PFN_EncodeVideoFrame encode_;
  PFN_GetEncodedVideoFrame fetch_;
};
