#include "platform/movie/MovieAtoms.h"

#include "platform/movie/AtomTable.h"
#include "platform/movie/CompressedMovie.h"
#include "platform/movie/FourCC.h"

namespace zeb::movie {

namespace {

// Some writers leave a table atom with nothing but its header where the table
// is empty; such an atom is read as an empty table, as players do.
template <Status (*Parse)(ByteReader&, SampleTableAtoms&)>
Status UnlessEmpty(ByteReader& atom, SampleTableAtoms& table) {
  return atom.Remaining() == 0 ? Status::Ok() : Parse(atom, table);
}

constexpr Presence kOptional = Presence::kOptional;
constexpr Presence kRequired = Presence::kRequired;
constexpr Repeat kEach = Repeat::kEach;
constexpr Repeat kFirstWins = Repeat::kFirstWins;
constexpr Repeat kRefuse = Repeat::kRefuse;

// A second table of one kind leaves no way to tell which one describes the
// samples: the track is refused rather than read with either.
constexpr AtomHandler<SampleTableAtoms> kStblTable[] = {
    {FourCC("stsd"), kRequired, kRefuse, UnlessEmpty<ParseStsd>},
    {FourCC("stts"), kRequired, kRefuse, UnlessEmpty<ParseStts>},
    {FourCC("ctts"), kOptional, kRefuse, UnlessEmpty<ParseCtts>},
    {FourCC("stss"), kOptional, kRefuse, UnlessEmpty<ParseStss>},
    {FourCC("stps"), kOptional, kRefuse, UnlessEmpty<ParseStps>},
    {FourCC("stsc"), kRequired, kRefuse, UnlessEmpty<ParseStsc>},
    {FourCC("stsz"), kRequired, kRefuse, UnlessEmpty<ParseStsz>},
    {FourCC("stz2"), kRequired, kRefuse, UnlessEmpty<ParseStz2>, FourCC("stsz")},
    {FourCC("stco"), kRequired, kRefuse, UnlessEmpty<ParseStco>},
    {FourCC("co64"), kRequired, kRefuse, UnlessEmpty<ParseCo64>, FourCC("stco")},
};

constexpr AtomHandler<MediaAtoms> kDinfTable[] = {
    {FourCC("dref"), kOptional, kFirstWins,
     [](ByteReader& atom, MediaAtoms& media) { return ParseDref(atom, media.dataReferences); }},
};

// The 'hdlr' of 'minf' names the data handler, not the media type: not listed.
constexpr AtomHandler<MediaAtoms> kMinfTable[] = {
    {FourCC("dinf"), kOptional, kFirstWins,
     [](ByteReader& atom, MediaAtoms& media) {
       return ParseChildren<MediaAtoms>(atom, kDinfTable, media);
     }},
    {FourCC("stbl"), kRequired, kFirstWins,
     [](ByteReader& atom, MediaAtoms& media) {
       return ParseChildren<SampleTableAtoms>(atom, kStblTable, media.samples);
     }},
};

// Header atoms and containers: the first one is read, as players do.
constexpr AtomHandler<MediaAtoms> kMdiaTable[] = {
    {FourCC("mdhd"), kRequired, kFirstWins,
     [](ByteReader& atom, MediaAtoms& media) { return ParseMdhd(atom, media.header); }},
    {FourCC("hdlr"), kRequired, kFirstWins,
     [](ByteReader& atom, MediaAtoms& media) { return ParseHdlr(atom, media.handler); }},
    {FourCC("minf"), kRequired, kFirstWins,
     [](ByteReader& atom, MediaAtoms& media) {
       return ParseChildren<MediaAtoms>(atom, kMinfTable, media);
     }},
};

constexpr AtomHandler<TrackAtoms> kEdtsTable[] = {
    {FourCC("elst"), kOptional, kFirstWins,
     [](ByteReader& atom, TrackAtoms& track) { return ParseElst(atom, track.edits); }},
};

constexpr AtomHandler<TrackAtoms> kTrakTable[] = {
    {FourCC("tkhd"), kRequired, kFirstWins,
     [](ByteReader& atom, TrackAtoms& track) { return ParseTkhd(atom, track.header); }},
    {FourCC("edts"), kOptional, kFirstWins,
     [](ByteReader& atom, TrackAtoms& track) {
       return ParseChildren<TrackAtoms>(atom, kEdtsTable, track);
     }},
    {FourCC("mdia"), kRequired, kFirstWins,
     [](ByteReader& atom, TrackAtoms& track) {
       return ParseChildren<MediaAtoms>(atom, kMdiaTable, track.media);
     }},
};

// A fault inside one 'trak' stays with that track; the others still open.
Status ParseTrak(ByteReader& atom, MovieAtoms& movie) {
  TrackAtoms& track = movie.tracks.emplace_back();
  track.path = atom.Path() + "[" + std::to_string(movie.tracks.size()) + "]";
  ByteReader numbered(atom.Rest(), atom.CursorFileOffset(), track.path, atom.Depth());
  track.status = ParseChildren<TrackAtoms>(numbered, kTrakTable, track);
  return Status::Ok();
}

Status ParseCmov(ByteReader& atom, MovieAtoms& movie);

// A compressed header stands in for the movie header: it holds its own.
constexpr AtomHandler<MovieAtoms> kMoovTable[] = {
    {FourCC("mvhd"), kRequired, kFirstWins,
     [](ByteReader& atom, MovieAtoms& movie) { return ParseMvhd(atom, movie.header); }},
    {FourCC("cmov"), kRequired, kFirstWins, ParseCmov, FourCC("mvhd")},
    {FourCC("trak"), kOptional, kEach, ParseTrak},
    {FourCC("mvex"), kOptional, kFirstWins,
     [](ByteReader&, MovieAtoms& movie) {
       movie.fragmented = true;
       return Status::Ok();
     }},
};

// The inflated 'moov' takes the place of the compressed one; its atoms join
// whatever the outer 'moov' holds besides.
Status ParseCmov(ByteReader& atom, MovieAtoms& movie) {
  if (movie.compressed) return atom.Invalid("compressed movie header inside another");
  std::vector<uint8_t> moovAtom;
  ZEB_MOVIE_TRY(InflateCmov(atom, moovAtom, movie.notes));
  movie.compressed = true;
  ByteReader inflated(moovAtom, atom.CursorFileOffset(), atom.Path() + "/cmvd", atom.Depth());
  std::optional<AtomHeader> header;
  ByteReader moov;
  ZEB_MOVIE_TRY(NextChild(inflated, header, moov));
  if (!header || header->type != FourCC("moov"))
    return atom.Invalid("compressed movie header holds no 'moov'");
  return ParseChildren<MovieAtoms>(moov, kMoovTable, movie);
}

}  // namespace

Status ParseMoov(ByteReader& payload, MovieAtoms& movie) {
  return ParseChildren<MovieAtoms>(payload, kMoovTable, movie);
}

}  // namespace zeb::movie
