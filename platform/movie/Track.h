// One track of a movie: its header, its edit list and its media.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/movie/Media.h"

namespace zeb::movie {

class Track {
 public:
  Track() = default;
  static Status Build(std::shared_ptr<const ByteSource> source, TrackAtoms atoms, Track& track);

  uint32_t Id() const { return header_.trackId; }
  bool Enabled() const { return (header_.flags & 1) != 0; }
  uint32_t Width() const { return header_.width; }        // 16.16 fixed point
  uint32_t Height() const { return header_.height; }      // 16.16 fixed point
  uint64_t Duration() const { return header_.duration; }  // movie time units
  const std::vector<EditEntry>& Edits() const { return edits_; }
  // Every track has a media; one without 'mdia' has type 0 and no samples.
  const Media& GetMedia() const { return media_; }

 private:
  TrackHeader header_;
  std::vector<EditEntry> edits_;
  Media media_;
};

}  // namespace zeb::movie
