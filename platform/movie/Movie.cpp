#include "platform/movie/Movie.h"

#include "platform/movie/FileSource.h"
#include "platform/movie/MovieAtoms.h"
#include "platform/movie/TopLevelScan.h"

namespace zeb::movie {

Status Movie::Open(const std::string& path, std::unique_ptr<Movie>& movie) {
  movie.reset();
  std::unique_ptr<FileSource> file;
  ZEB_MOVIE_TRY(FileSource::Open(path, file));
  return Open(std::shared_ptr<const ByteSource>(std::move(file)), movie);
}

Status Movie::Open(std::shared_ptr<const ByteSource> source, std::unique_ptr<Movie>& movie) {
  movie.reset();
  AtomHeader moov;
  ZEB_MOVIE_TRY(FindMoov(*source, moov));
  std::vector<uint8_t> payload;
  ZEB_MOVIE_TRY(ReadPayload(*source, moov, payload));
  ByteReader reader(payload, moov.fileOffset + moov.headerSize, moov.path, 1);
  MovieAtoms atoms;
  ZEB_MOVIE_TRY(ParseMoov(reader, atoms));

  auto result = std::unique_ptr<Movie>(new Movie());
  result->source_ = source;
  result->header_ = atoms.header;
  result->compressed_ = atoms.compressed;
  result->fragmented_ = atoms.fragmented;
  result->notes_ = std::move(atoms.notes);
  result->tracks_.resize(atoms.tracks.size());
  for (size_t i = 0; i < atoms.tracks.size(); ++i) {
    TrackAtoms& track = atoms.tracks[i];
    for (AtomNotes* notes : {&track.notes, &track.media.notes, &track.media.samples.notes}) {
      result->notes_.insert(result->notes_.end(), notes->begin(), notes->end());
    }
    Track::Build(source, std::move(track), result->tracks_[i]);
  }
  movie = std::move(result);
  return Status::Ok();
}

const Track* Movie::GetTrack(uint32_t index) const {
  if (index == 0 || index > tracks_.size()) return nullptr;
  return &tracks_[index - 1];
}

}  // namespace zeb::movie
