// One track of a movie: its header, its edit list and its media. A track
// whose atoms cannot be used still has its place in the movie and says why.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/movie/Media.h"

namespace zeb::movie {

class Track {
 public:
  Track() = default;
  static void Build(std::shared_ptr<const ByteSource> source, TrackAtoms atoms, Track& track);

  // Ok, or why the track cannot be used (a required atom missing, a table
  // that breaks the format), with the atom path. Such a track keeps what
  // was read of its header and its media's type and time scale, but its
  // media has no descriptions and no samples.
  const Status& OpenStatus() const { return status_; }

  uint32_t Id() const { return header_.trackId; }
  bool Enabled() const { return (header_.flags & 1) != 0; }
  uint32_t Width() const { return header_.width; }        // 16.16 fixed point
  uint32_t Height() const { return header_.height; }      // 16.16 fixed point
  uint64_t Duration() const { return header_.duration; }  // movie time units
  const std::vector<EditEntry>& Edits() const { return edits_; }
  const Media& GetMedia() const { return media_; }

 private:
  Status status_;
  TrackHeader header_;
  std::vector<EditEntry> edits_;
  Media media_;
};

}  // namespace zeb::movie
