// The compressors the layer has, one a codec type, as the media layer keeps
// a registered compressor for each type it can code: which libavcodec
// encoder codes it, from which of its pixel formats, with which fixed
// parameters, and what the image description says of it.
#pragma once

#include <cstdint>
#include <span>

#include "platform/movie/ByteWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace zeb::codec {

// The settings a compression sequence is begun with.
struct CompressionSettings {
  uint32_t codecType = 0;
  int width = 0;
  int height = 0;
  uint32_t spatialQuality = 0;   // 0 .. kCodecMaxQuality
  uint32_t temporalQuality = 0;  // 0: key frames only
  AVRational frameRate{0, 1};
  int keyFrameRate = 1;
  int64_t bitRate = 0;  // bits per second; 0: quality decides
};

// The description's configuration atom.
enum class ConfigurationAtom : uint8_t { kNone, kAvcC, kEsds };

// How a coding whose rows of macroblocks are coded apart from each other
// codes a picture in bands, each by a coder of its own (BandedEncoder).
struct BandCoding {
  int rowLines = 16;  // of one row of macroblocks
  // Sets on a band coder's options what it takes from the whole picture's.
  bool (*inherit)(const AVCodecContext& whole, AVDictionary** options) = nullptr;
  // Joins the bands' frames, top first, into the frame of a picture `height` lines high.
  bool (*join)(std::span<const std::span<const uint8_t>> bands, int height,
               movie::ByteWriter& frame) = nullptr;
};

struct Compressor {
  uint32_t codecType = 0;
  const char* encoder = nullptr;  // libavcodec's name
  AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
  const char* name = nullptr;  // the description's compressor name
  int16_t depth = 24;          // the description's depth
  ConfigurationAtom atom = ConfigurationAtom::kNone;
  // Sets the context's fixed and settings-derived parameters; the frame
  // size, rate and pixel format are set already. False: the settings have no
  // form in this coding.
  bool (*configure)(AVCodecContext& context, AVDictionary** options,
                    const CompressionSettings& settings) = nullptr;
  int profile = FF_PROFILE_UNKNOWN;  // the encoder's "profile" option
  AVRational fixedRate{0, 1};        // the one rate the coding has; 0: any
  // interlaced pictures, bottom field first (DV); other interlaced codings
  // are top field first and say so by the context's interlaced-DCT flag
  bool bottomFieldFirst = false;
  // The coded picture size where the coding has its own (DVCPRO HD samples
  // its pictures horizontally); 0: the picture's. Pictures are scaled to it.
  int codedWidth = 0;
  int codedHeight = 0;
  const BandCoding* bands = nullptr;  // null: one coder codes the whole picture
};

// The compression id the 'AVdn' compressor codes pictures of this size at
// this rate with: the one whose rate comes nearest `bitRate` (bits per
// second), or the largest frames the size has when it is 0. 0 when DNxHD has
// no 8-bit 4:2:2 resolution of the size.
int DnxhdCompressionId(int width, int height, AVRational frameRate, int64_t bitRate);

// Null for a type the layer cannot code.
const Compressor* FindCompressor(uint32_t codecType);
// Every compressor the layer has, in the order a codec list shows them.
std::span<const Compressor> AllCompressors();

}  // namespace zeb::codec
