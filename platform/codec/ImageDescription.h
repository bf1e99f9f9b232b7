// What a decompression sequence takes from an image description: the codec's
// code, the picture size, and the decoder's configuration bytes from the
// extension atoms ('avcC' as it stands, the decoder-specific information of
// an 'esds', or a 'glbl').
#pragma once

#include <cstdint>
#include <vector>

#include "platform/movie/Handle.h"
#include "platform/movie/Status.h"

namespace zeb::codec {

struct DescribedImage {
  uint32_t codecType = 0;  // native four-character code
  int width = 0;
  int height = 0;
  int depth = 0;  // bits per pixel as the description states it
  std::vector<uint8_t> configuration;
};

zeb::movie::Status ReadImageDescription(zeb::movie::Handle description, DescribedImage& image);

// libavcodec's codec_tag for a native four-character code: the first
// character in the lowest byte.
constexpr uint32_t ToCodecTag(uint32_t code) {
  return (code >> 24) | ((code >> 8) & 0xFF00) | ((code << 8) & 0xFF0000) | (code << 24);
}

}  // namespace zeb::codec
