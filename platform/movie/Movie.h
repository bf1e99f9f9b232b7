// An open movie file: its tracks with their media, parsed once at open and
// immutable afterwards. The open fails only when the movie's own atoms are
// unusable; a broken track is kept and reports itself. Tracks and media belong to the movie and
// live as long as it does; nothing needs releasing but the movie itself. Reads may run on several
// threads at once (the file is read with pread, no cursor).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/movie/ByteSource.h"
#include "platform/movie/Track.h"

namespace zeb::movie {

class Movie {
 public:
  // Opens the movie file at `path` (UTF-8).
  static Status Open(const std::string& path, std::unique_ptr<Movie>& movie);
  // Opens a movie from any source, such as bytes in memory.
  static Status Open(std::shared_ptr<const ByteSource> source, std::unique_ptr<Movie>& movie);

  uint32_t TimeScale() const { return header_.timeScale; }
  uint64_t Duration() const { return header_.duration; }  // movie time units
  uint64_t FileSize() const { return source_->Size(); }
  // True when the movie header was stored compressed ('cmov').
  bool HasCompressedHeader() const { return compressed_; }
  // True for a fragmented movie ('mvex'). Only the samples of the movie
  // header's own tables are read; those of the fragments ('moof') are not,
  // so such tracks may have no samples at all.
  bool IsFragmented() const { return fragmented_; }

  uint32_t TrackCount() const { return static_cast<uint32_t>(tracks_.size()); }
  // Track `index`, 1-based in file order; null outside 1..TrackCount().
  // Tracks that cannot be used are counted too: see Track::OpenStatus().
  const Track* GetTrack(uint32_t index) const;
  // What the open passed over without failing (a repeated header atom of
  // which the first was read), each with its atom path, for a log.
  const std::vector<Status>& Notes() const { return notes_; }

 private:
  std::shared_ptr<const ByteSource> source_;
  MovieHeader header_;
  bool compressed_ = false;
  bool fragmented_ = false;
  std::vector<Track> tracks_;
  std::vector<Status> notes_;
};

}  // namespace zeb::movie
