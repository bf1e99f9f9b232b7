// ProRes codes every row of macroblocks apart from the others: a slice's
// quantiser comes from the rows's own trellis and the bits a macroblock may
// take. Horizontal bands of a picture, coded by coders of their own with the
// whole picture's bit budget, join into the frame one coder makes of the
// whole picture, byte for byte.
#pragma once

#include <cstdint>
#include <span>

#include "platform/codec/Compressors.h"
#include "platform/movie/ByteWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace zeb::codec {

// ProRes pictures in bands: the two functions below.
extern const BandCoding kProResBands;

// Sets on a band coder's options what it takes from the coder of the whole
// picture (the bits a macroblock may take, which prores_ks otherwise picks
// from the picture's size). False when that coder has no such setting.
bool InheritProResBudget(const AVCodecContext& whole, AVDictionary** options);

// Joins the frames of the bands, top first, into the frame of a picture of
// `height` lines: the first band's frame header with the whole height, one
// picture whose slice table and slices are the bands' in order. False when a
// band is no progressive ProRes frame or the bands' headers differ.
bool JoinProResBands(std::span<const std::span<const uint8_t>> bands, int height,
                     movie::ByteWriter& frame);

}  // namespace zeb::codec
