// Compares our view of a movie with ffprobe's, sample by sample: count, file
// position, size, sync flag, decode-time steps, display offsets and the
// bytes' SHA-256. ffprobe is run with edit lists ignored, so that its
// timestamps are the media's own.
//
// Deliberate differences, handled here:
// - Sound stored one frame per media sample (PCM, 'ima4' in .mov): ffprobe
//   cuts each chunk into packets of about 1024 frames, we keep the table's
//   samples. What must agree is the byte ranges they cover, in order, and the
//   bytes of each of ffprobe's packets when we read the same frames.
// - ffprobe shifts all decode times of a track with negative display offsets
//   by a constant, so times and offsets are compared as steps from sample 1.
// - In a truncated file ffprobe stops at the first sample past the end (in
//   its reading order, over all streams) and cuts that sample short; we still
//   list every sample the tables describe.
// - ffprobe derives key frames from H.264 and HEVC bitstreams (recovery
//   points, or an empty 'stss') and calls every packet of a data track key;
//   we report the file's sync tables. There, a sample we call sync must be
//   key for ffprobe, not the other way round.
// - Fragmented movies: ffprobe reads the fragments, we read only the movie
//   header's tables, so their packets are not compared.
// - Streams of which ffprobe delivers no packet at all (chapter tracks, data
//   in other files) are not compared.
// - Encrypted entries ('encv', 'enca') are ours as stored; ffprobe names the
//   original format.
#pragma once

#include <string>
#include <vector>

#include "platform/movie/Movie.h"
#include "tests/support/Ffprobe.h"

namespace zeb::movie::test {

// Differences found (at most a few per stream); empty when both agree.
std::vector<std::string> CompareWithProbe(const Movie& movie, const zeb::test::ProbeResult& probe);

zeb::test::ProbeResult ProbeIgnoringEdits(const std::string& path);

}  // namespace zeb::movie::test
