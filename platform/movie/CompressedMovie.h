// Compressed movie headers ('cmov' in QuickTime files): 'dcom' names the
// compressor, 'cmvd' holds the inflated size and the compressed bytes of a
// complete 'moov' atom. Only 'zlib' exists in practice.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/movie/AtomTable.h"

namespace zeb::movie {

// The most a compressed header may inflate to; real headers are far smaller.
inline constexpr uint64_t kMaxInflatedMovieSize = uint64_t{256} << 20;

// Inflates the payload of a 'cmov' into the bytes of the 'moov' atom it holds;
// a repeated child is skipped and noted in `notes`.
Status InflateCmov(ByteReader& cmov, std::vector<uint8_t>& moovAtom, AtomNotes& notes);

}  // namespace zeb::movie
