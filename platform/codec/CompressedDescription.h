// The image description a compression sequence fills in for its frames.
#pragma once

#include <cstdint>
#include <span>

#include "platform/codec/Compressors.h"
#include "platform/movie/Handle.h"
#include "platform/movie/Status.h"

namespace zeb::codec {

// Writes into `description` (resized) the 86-byte header, in the machine's
// order, and the compressor's configuration atom made from the encoder's
// global header `extradata` (for 'avcC' the sequence and picture sets behind
// 4-byte lengths), big-endian. No terminating zero: callers may add atoms.
zeb::movie::Status WriteCompressedDescription(zeb::movie::Handle description,
                                              const Compressor& compressor,
                                              const CompressionSettings& settings,
                                              std::span<const uint8_t> extradata);

}  // namespace zeb::codec
