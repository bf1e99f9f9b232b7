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
    // FindMoov checked the atom against the file size, so the buffer is one the file justifies.
    std::vector<uint8_t> payload(static_cast<size_t>(moov.PayloadSize()));
    const uint64_t payloadOffset = moov.fileOffset + moov.headerSize;
    ZEB_MOVIE_TRY(source->ReadAt(payloadOffset, payload));
    ByteReader reader(payload, payloadOffset, moov.path, 1);
    MovieAtoms atoms;
    ZEB_MOVIE_TRY(ParseMoov(reader, atoms));

    auto result = std::unique_ptr<Movie>(new Movie());
    result->source_ = source;
    result->header_ = atoms.header;
    result->compressed_ = atoms.compressed;
    result->fragmented_ = atoms.fragmented;
    result->tracks_.resize(atoms.tracks.size());
    for (size_t i = 0; i < atoms.tracks.size(); ++i) {
        ZEB_MOVIE_TRY(Track::Build(source, std::move(atoms.tracks[i]), result->tracks_[i]));
    }
    movie = std::move(result);
    return Status::Ok();
}

const Track* Movie::GetTrack(uint32_t index) const {
    if (index == 0 || index > tracks_.size()) return nullptr;
    return &tracks_[index - 1];
}

}  // namespace zeb::movie
