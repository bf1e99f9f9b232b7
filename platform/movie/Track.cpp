#include "platform/movie/Track.h"

namespace zeb::movie {

Status Track::Build(std::shared_ptr<const ByteSource> source, TrackAtoms atoms, Track& track) {
  track = Track();
  track.header_ = atoms.header;
  track.edits_ = std::move(atoms.edits);
  return Media::Build(std::move(source), std::move(atoms.media), atoms.path, track.media_);
}

}  // namespace zeb::movie
