// H.264 access units in their two forms: NAL units behind 1- to 4-byte
// big-endian lengths (as 'avc1' samples store them, the length size given by
// the 'avcC' record) and Annex B byte streams (units behind start codes, as
// decoders and the host take them).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "media/AvcConfigRecord.h"

namespace zeb::media {

// Rewrites a sample in place: each length becomes the start code
// 00 00 00 01, and a key frame gets the record's first sequence and picture
// sets in front, each behind its start code (an empty set is left out).
// `buffer` holds the sample in its first `size` bytes; the rest is room for
// the growth. Returns the new size, or nothing (the buffer unchanged) when
// the result would not fit. A length that runs past the sample ends the
// walk: that unit keeps the bytes that exist; trailing bytes shorter than a
// length field stay as they are.
std::optional<uint32_t> LengthPrefixedToAnnexB(const AvcConfigRecord& config, bool keyFrame,
                                               std::span<uint8_t> buffer, uint32_t size);

// Writes the units of an Annex B access unit into `out`, each behind its
// length in `nalLengthSize` bytes (1 to 4); with `dropParameterSets` the
// sequence and picture sets (NAL types 7 and 8), which the 'avcC' record
// carries, are left out. Returns the bytes written, or nothing when a unit
// does not fit `out` or its length does not fit the length field.
std::optional<size_t> AnnexBToLengthPrefixed(std::span<const uint8_t> accessUnit,
                                             uint32_t nalLengthSize, bool dropParameterSets,
                                             std::span<uint8_t> out);

// True when `sample` is a whole run of units behind `nalLengthSize`-byte
// lengths (1 to 4): every length non-zero, every unit's forbidden bit clear,
// the last unit ending at the sample's end. A length of 256 to 511 bytes
// begins with 00 00 01, so a start code alone does not tell the two forms
// apart.
bool IsLengthPrefixed(std::span<const uint8_t> sample, uint32_t nalLengthSize);

}  // namespace zeb::media
