#include "platform/movie/Track.h"

namespace zeb::movie {

void Track::Build(std::shared_ptr<const ByteSource> source, TrackAtoms atoms, Track& track) {
  track = Track();
  track.header_ = atoms.header;
  track.edits_ = std::move(atoms.edits);
  const MediaHeader mediaHeader = atoms.media.header;
  const HandlerInfo handler = atoms.media.handler;
  track.status_ = atoms.status;
  if (track.status_.IsOk()) {
    track.status_ =
        Media::Build(std::move(source), std::move(atoms.media), atoms.path, track.media_);
  }
  if (!track.status_.IsOk()) track.media_ = Media::WithoutSamples(mediaHeader, handler, atoms.path);
}

}  // namespace zeb::movie
