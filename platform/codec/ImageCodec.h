// Our image decompression services, shaped like the media layer's: an
// off-screen graphics world over the caller's pixel memory, and a
// decompression sequence that draws each compressed frame into it. Decoding is
// libavcodec's, pixel conversion libswscale's. A frame is drawn before
// DecompressSequenceFrameS returns, in decode order: the world holds the
// picture of the frame just given, whatever the codec's own display delay.
#pragma once

#include <cstdint>

#include "platform/movie/Handle.h"
#include "platform/movie/Status.h"

namespace zeb::codec {

using zeb::movie::OSErr;

inline constexpr OSErr kCodecErr = -8960;         // the codec could not be set up
inline constexpr OSErr kNoCodecErr = -8961;       // no decompressor for the description
inline constexpr OSErr kCodecBadDataErr = -8969;  // the frame gave no picture
inline constexpr OSErr kParamErr = zeb::movie::kErrParam;
inline constexpr OSErr kMemFullErr = zeb::movie::kErrMemory;

// The two pixel formats a world can hold: 8-bit 4:2:2 as U Y V Y bytes, and
// 32-bit A R G B bytes.
inline constexpr uint32_t k2vuyPixelFormat = 0x32767579;    // '2vuy'
inline constexpr uint32_t k32ARGBPixelFormat = 0x41524742;  // 'ARGB'

// Accuracy of a decompression sequence; only the highest is offered, and
// every request gets it.
inline constexpr uint32_t kCodecHighQuality = 0x300;

struct Rect {
  int16_t top = 0;
  int16_t left = 0;
  int16_t bottom = 0;
  int16_t right = 0;
};

struct GraphicsWorld;
using GWorldPtr = GraphicsWorld*;

struct DecompressionSequence;
using ImageSequence = DecompressionSequence*;  // null: no sequence

// A decompressor, named as libavcodec names its decoders ("prores",
// "h264"). Null stands for "any codec", which this layer cannot resolve on
// its own: its callers choose the decompressor from what they know of the
// four-character code.
using DecompressorComponent = const char*;

// A world of `bounds` over `pixels`, which the caller owns and keeps for the
// world's life, `rowBytes` apart. `pixelFormat` is k2vuyPixelFormat or
// k32ARGBPixelFormat; no colour table, no device; `flags` are accepted and
// unused. kParamErr for anything else, kMemFullErr when memory runs out.
OSErr NewGWorldFromPtr(GWorldPtr* world, uint32_t pixelFormat, const Rect* bounds,
                       const void* colorTable, const void* device, uint32_t flags, uint8_t* pixels,
                       int32_t rowBytes);
// Null is accepted. The pixels stay the caller's.
void DisposeGWorld(GWorldPtr world);

// Begins a sequence for the frames `description` describes (an image
// description as the movie layer hands it over: header fields in the
// machine's order, extension atoms big-endian; the layer keeps no reference
// to it), drawn into `port`. `data`/`dataSize` may carry a first frame, which
// is drawn too. Source rectangle, matrix, mask and mode must be absent or 0;
// `flags` and `accuracy` are accepted (every sequence draws at the highest
// accuracy). kNoCodecErr when `codec` is null or unknown to libavcodec,
// kCodecErr when the decoder refuses the description.
OSErr DecompressSequenceBeginS(ImageSequence* sequence, zeb::movie::Handle description,
                               const uint8_t* data, int32_t dataSize, GWorldPtr port,
                               const Rect* sourceRect, const void* matrix, int16_t mode,
                               const void* mask, uint32_t flags, uint32_t accuracy,
                               DecompressorComponent codec);

// Decodes one compressed frame and draws its picture into the sequence's
// world. kCodecBadDataErr when the frame gave no picture (the world keeps what
// it held); `inFlags` and `completion` are accepted and unused; `outFlags`
// (may be null) is set to 0.
OSErr DecompressSequenceFrameS(ImageSequence sequence, const uint8_t* data, int32_t dataSize,
                               uint32_t inFlags, uint32_t* outFlags, const void* completion);

// How many frames the sequence's coding may decode before a frame it shows
// earlier: the decoder's reorder depth as the stream declares it (an H.264
// sequence set's max_num_reorder_frames; 1 for MPEG B-frames), known once
// a frame has been decoded, and raised by the decoder where the stream turns
// out to reorder deeper. 0 for null or a coding without reordering.
int32_t GetDSequenceReorderDepth(ImageSequence sequence);

// Ends the sequence and frees it; null is accepted. The world stays.
OSErr CDSequenceEnd(ImageSequence sequence);

// A copy of the payload of the first extension atom of `type` in an image
// description, in a new handle the caller disposes of. kNotFound when there is
// none.
zeb::movie::Status GetImageDescriptionExtension(zeb::movie::Handle description, uint32_t type,
                                                zeb::movie::Handle& extension);

}  // namespace zeb::codec
