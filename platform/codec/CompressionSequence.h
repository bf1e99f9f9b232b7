// A compression sequence: one libavcodec encoder fed from '2vuy' pixel maps.
#pragma once

#include "platform/codec/Compressors.h"
#include "platform/codec/ImageCompression.h"

namespace zeb::codec {

// Opens `compressor` with `settings` and writes the description of its frames
// into `description`. kCodecErr when the encoder refuses the settings.
OSErr BeginCompressionSequence(const Compressor& compressor, const CompressionSettings& settings,
                               zeb::movie::Handle description, ImageCompressionSequence* sequence);
void EndCompressionSequence(ImageCompressionSequence sequence);

// The most bytes one coded frame of `width` × `height` may take: twice the
// '2vuy' picture and room for headers.
int32_t MaxCompressedFrameSize(int width, int height);

}  // namespace zeb::codec
