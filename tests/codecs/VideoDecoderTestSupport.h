// What the video decoder's tests share: a decoder driven through the
// plug-in's ordinal table as a host drives it, a whole movie read with the
// reader family and decoded picture by picture, and the ffmpeg tool's decode
// of the same movie as the reference.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tests/host/TestPlugin.h"
#include "zebplug/ZEBPlug.h"

namespace zeb::test {

struct ReadMovie;

// One CQTSuppotVideoDec behind its handle (ordinals 1 and 2); each call
// below is one ordinal.
class HostVideoDecoder : public HostObject {
 public:
  explicit HostVideoDecoder(const TestPlugin& plugin)
      : HostObject(plugin, ZEB_ORD_CreateVideoDecoder, ZEB_ORD_DestroyVideoDecoder) {}

  uint32_t Open(SPlugVideoStreamInfo* info, const SPlugPrivateDesc* description) {
    return Call<PFN_OpenVideoDecoder>(ZEB_ORD_OpenVideoDecoder, info, description);
  }
  uint32_t OutputFormat(const SPlugVideoFrameFormat* requested, SPlugVideoFrameFormat* format) {
    return Call<PFN_GetVideoDecoderOutputFormat>(ZEB_ORD_GetVideoDecoderOutputFormat, requested,
                                                 format);
  }
  uint32_t Decode(const uint8_t* data, SPlugFrameInfo* info) {
    return Call<PFN_DecodeVideoFrame>(ZEB_ORD_DecodeVideoFrame, data, info);
  }
  uint32_t Fetch(SPlugVideoFrame* picture, SPlugFrameInfo* info) {
    return Call<PFN_GetDecodedVideoFrame>(ZEB_ORD_GetDecodedVideoFrame, picture, info);
  }
  // Opens on `movie`'s stream record and description, asking for `colorFormat`.
  uint32_t OpenOn(ReadMovie& movie, uint32_t colorFormat = PLUG_COLOR_FORMAT_UYVY_);
  // Fetches by address and copies the picture out; empty when none is ready.
  std::vector<uint8_t> FetchCopy(SPlugFrameInfo& info);
};

// A coded frame as the reader delivered it.
struct CodedFrame {
  std::vector<uint8_t> bytes;
  SPlugFrameInfo info;
};

// The first video stream of a movie and all its frames in decode order.
struct ReadMovie {
  SPlugStreamInfo stream;
  std::vector<uint8_t> description;  // the kind-5 image description's bytes
  std::vector<CodedFrame> frames;
};
ReadMovie ReadWholeMovie(const TestPlugin& plugin, const std::string& path);

// The triple that hands the decoder `movie`'s image description.
SPlugPrivateDesc DescriptionOf(ReadMovie& movie);

struct DecodedPicture {
  SPlugFrameInfo info;
  std::vector<uint8_t> bytes;
};

// Opens a decoder for `movie` (colour format 14 '2vuy' or 1 'ARGB' asked for),
// decodes every frame from `first` on (decode order) with one fetch after
// each, then the end-of-stream call and fetches until none is left. Pictures
// in the order they came.
std::vector<DecodedPicture> DecodeAll(const TestPlugin& plugin, ReadMovie& movie,
                                      uint32_t colorFormat, size_t first = 0);

// The ffmpeg tool's pictures of `input` (its input options and file) in
// `pixelFormat` ("uyvy422" or "argb") at `width` × `height`, in display
// order; for a movie give the size the stream record gives (DVCPRO HD is
// coded narrower).
std::vector<std::vector<uint8_t>> ToolPictures(const std::string& input,
                                               const std::string& pixelFormat, uint32_t width,
                                               uint32_t height);

// Peak signal-to-noise ratio of two pictures of 8-bit samples; infinity when
// they are equal.
double Psnr(std::span<const uint8_t> a, std::span<const uint8_t> b);

}  // namespace zeb::test
