// What the video encoder's tests share: an encoder driven through the
// plug-in's ordinal table as a host drives it, a synthesised '2vuy' test
// pattern, and a movie made of its encoded frames with the muxer family.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/host/TestPlugin.h"
#include "zebplug/ZEBPlug.h"

namespace zeb::test {

// One CQTSupportVideoEnc behind its handle (ordinals 101 and 102); each call
// below is one ordinal.
class HostVideoEncoder : public HostObject {
 public:
  explicit HostVideoEncoder(const TestPlugin& plugin)
      : HostObject(plugin, ZEB_ORD_CreateVideoEncoder, ZEB_ORD_DestroyVideoEncoder) {}

  uint32_t Open(SPlugVideoStreamInfo* info, const SPlugPrivateDesc* settings) {
    return Call<PFN_OpenVideoEncoder>(ZEB_ORD_OpenVideoEncoder, info, settings);
  }
  uint32_t Query(SPlugVideoStreamInfo* info) {
    return Call<PFN_QueryVideoEncoderInput>(ZEB_ORD_QueryVideoEncoderInput, info);
  }
  uint32_t InputFormat(SPlugVideoFrameFormat* format) {
    return Call<PFN_GetVideoEncoderInputFormat>(ZEB_ORD_GetVideoEncoderInputFormat, 0u, format);
  }
  // Encodes one '2vuy' picture with display position `position`.
  uint32_t Encode(std::vector<uint8_t>& picture, uint64_t position);
  uint32_t Fetch(uint8_t** data, SPlugFrameInfo* info) {
    return Call<PFN_GetEncodedVideoFrame>(ZEB_ORD_GetEncodedVideoFrame, data, info);
  }
};

// A moving test pattern of smooth ramps in '2vuy' (U Y V Y), frame `index`.
std::vector<uint8_t> TestPattern(uint32_t width, uint32_t height, uint32_t index);

struct EncodedFrame {
  std::vector<uint8_t> bytes;
  SPlugFrameInfo info;
  std::vector<uint8_t> description;  // the kind-5 description attached to it
};

// Opens an encoder for `stream` (with the settings block when given),
// encodes `pictures` in order with one fetch after each; the test fails on
// any code other than 0.
std::vector<EncodedFrame> EncodeAll(const TestPlugin& plugin, SPlugVideoStreamInfo stream,
                                    std::vector<std::vector<uint8_t>>& pictures,
                                    const SPlugPrivateDesc* settings = nullptr);

// Writes `frames` as one video track with the muxer family (ordinals 500..),
// the first frame's description handed to the muxer as the stream's.
void WriteEncodedMovie(const TestPlugin& plugin, const std::string& path,
                       const SPlugVideoStreamInfo& stream, const std::vector<EncodedFrame>& frames);

// <fixture folder>/encoder/<name>, the folder made when missing.
std::string EncoderScratchPath(const std::string& name);

}  // namespace zeb::test
