// Builds the 'moov' atom of a written movie from its tracks and media.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/movie/Status.h"
#include "platform/movie/WriterTrack.h"

namespace zeb::movie {

// a b u / c d v / x y w: 16.16 fixed point, except u, v and w in 2.30.
using MovieMatrix = std::array<int32_t, 9>;
inline constexpr MovieMatrix kIdentityMatrix = {0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x40000000};

struct WriterMovieHeader {
  uint32_t timeScale = 600;
  uint64_t macTime = 0;  // creation and modification, seconds since 1904-01-01 UTC
  MovieMatrix matrix = kIdentityMatrix;
};

// Every track with a media goes into the movie, in the order given; a track
// without media has nothing to show and is left out. The result is checked
// against PredictMovieAtomSize() before it is returned.
// The head of every file the writer makes: 'ftyp' naming the QuickTime
// brand, an 8-byte 'wide' reserve and an 'mdat' header whose size 0 ("to the
// end of the file") holds until the data is finished.
std::vector<uint8_t> MovieFileHeader();
inline constexpr size_t kMovieFileTypeBytes = 20;  // the 'ftyp' atom at its start

Status BuildMovieAtom(const WriterMovieHeader& header, std::span<const WriterTrack* const> tracks,
                      std::vector<uint8_t>& out);
uint64_t PredictMovieAtomSize(std::span<const WriterTrack* const> tracks, uint64_t macTime);

}  // namespace zeb::movie
