// The memory layout of one picture: planes, row bytes, plane sizes and the
// byte pattern of a black run per plane, computed from the colour format,
// width, height and videoRange of an SPlugVideoFrameFormat.
#pragma once

#include <cstdint>

#include "zebplug/ZEBPlugRecords.h"

namespace PlugRecords {

// Fills planeCount, rowBytes, planeSize and the black patterns, rounds width
// (and for 4:2:0 height) up to what the format packs, and replaces a zero
// matrix; returns 1. A nonzero rowBytes given on entry is kept. Returns 0 and
// changes nothing when colorFormat is 0. All arithmetic is 32-bit unsigned.
//
// Ten-bit formats: 15 is 'v210' (three 10-bit samples in each little-endian
// 32-bit word, Cb Y Cr Y ... order, 16 bytes per 6 pixels); 18 packs the same
// Cb Y Cr Y samples without padding as a most-significant-bit-first stream,
// 5 bytes per pixel pair.
uint32_t ComputeFrameFormatLayout(SPlugVideoFrameFormat& format);

}  // namespace PlugRecords
