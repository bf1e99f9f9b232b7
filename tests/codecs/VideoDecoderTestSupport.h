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

// One CQTSuppotVideoDec behind its handle, created by ordinal 1 and
// destroyed by 2; each call below is one ordinal.
class HostVideoDecoder {
 public:
  explicit HostVideoDecoder(const TestPlugin& plugin);
  ~HostVideoDecoder();
  HostVideoDecoder(const HostVideoDecoder&) = delete;
  HostVideoDecoder& operator=(const HostVideoDecoder&) = delete;

  uint32_t Open(SPlugVideoStreamInfo* info, const SPlugPrivateDesc* description);
  uint32_t OutputFormat(const SPlugVideoFrameFormat* requested, SPlugVideoFrameFormat* format);
  uint32_t Decode(const uint8_t* data, SPlugFrameInfo* info);
  uint32_t Fetch(SPlugVideoFrame* picture, SPlugFrameInfo* info);
  // Fetches by address and copies the picture out; empty when none is ready.
  std::vector<uint8_t> FetchCopy(SPlugFrameInfo& info);

 private:
  const TestPlugin& plugin_;
  void* handle_ = nullptr;
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
// decodes every frame with one fetch after each, then the end-of-stream call
// and fetches until none is left. Pictures in the order they came.
std::vector<DecodedPicture> DecodeAll(const TestPlugin& plugin, ReadMovie& movie,
                                      uint32_t colorFormat);

// The ffmpeg tool's decode of the first video stream to `pixelFormat`
// ("uyvy422" or "argb") at `width` × `height` (as the stream record gives
// them: DVCPRO HD is coded narrower), frames in display order.
std::vector<std::vector<uint8_t>> ReferenceFrames(const std::string& path,
                                                  const std::string& pixelFormat, uint32_t width,
                                                  uint32_t height);

// Peak signal-to-noise ratio of two pictures of 8-bit samples; infinity when
// they are equal.
double Psnr(std::span<const uint8_t> a, std::span<const uint8_t> b);

}  // namespace zeb::test
