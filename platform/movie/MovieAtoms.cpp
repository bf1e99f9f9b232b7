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

constexpr AtomHandler<SampleTableAtoms> kStblTable[] = {
    {FourCC("stsd"), UnlessEmpty<ParseStsd>}, {FourCC("stts"), UnlessEmpty<ParseStts>},
    {FourCC("ctts"), UnlessEmpty<ParseCtts>}, {FourCC("stss"), UnlessEmpty<ParseStss>},
    {FourCC("stps"), UnlessEmpty<ParseStps>}, {FourCC("stsc"), UnlessEmpty<ParseStsc>},
    {FourCC("stsz"), UnlessEmpty<ParseStsz>}, {FourCC("stz2"), UnlessEmpty<ParseStz2>},
    {FourCC("stco"), UnlessEmpty<ParseStco>}, {FourCC("co64"), UnlessEmpty<ParseCo64>},
};

constexpr AtomHandler<MediaAtoms> kDinfTable[] = {
    {FourCC("dref"),
     [](ByteReader& atom, MediaAtoms& media) { return ParseDref(atom, media.dataReferences); }},
};

// The 'hdlr' of 'minf' names the data handler, not the media type: not listed.
constexpr AtomHandler<MediaAtoms> kMinfTable[] = {
    {FourCC("dinf"),
     [](ByteReader& atom, MediaAtoms& media) {
       return ParseChildren<MediaAtoms>(atom, kDinfTable, media);
     }},
    {FourCC("stbl"),
     [](ByteReader& atom, MediaAtoms& media) {
       return ParseChildren<SampleTableAtoms>(atom, kStblTable, media.samples);
     }},
};

constexpr AtomHandler<MediaAtoms> kMdiaTable[] = {
    {FourCC("mdhd"),
     [](ByteReader& atom, MediaAtoms& media) { return ParseMdhd(atom, media.header); }},
    {FourCC("hdlr"),
     [](ByteReader& atom, MediaAtoms& media) { return ParseHdlr(atom, media.handler); }},
    {FourCC("minf"),
     [](ByteReader& atom, MediaAtoms& media) {
       return ParseChildren<MediaAtoms>(atom, kMinfTable, media);
     }},
};

constexpr AtomHandler<TrackAtoms> kEdtsTable[] = {
    {FourCC("elst"),
     [](ByteReader& atom, TrackAtoms& track) { return ParseElst(atom, track.edits); }},
};

constexpr AtomHandler<TrackAtoms> kTrakTable[] = {
    {FourCC("tkhd"),
     [](ByteReader& atom, TrackAtoms& track) { return ParseTkhd(atom, track.header); }},
    {FourCC("edts"),
     [](ByteReader& atom, TrackAtoms& track) {
       return ParseChildren<TrackAtoms>(atom, kEdtsTable, track);
     }},
    {FourCC("mdia"),
     [](ByteReader& atom, TrackAtoms& track) {
       return ParseChildren<MediaAtoms>(atom, kMdiaTable, track.media);
     }},
};

Status ParseTrak(ByteReader& atom, MovieAtoms& movie) {
  TrackAtoms& track = movie.tracks.emplace_back();
  track.path = atom.Path() + "[" + std::to_string(movie.tracks.size()) + "]";
  return ParseChildren<TrackAtoms>(atom, kTrakTable, track);
}

Status ParseCmov(ByteReader& atom, MovieAtoms& movie);

constexpr AtomHandler<MovieAtoms> kMoovTable[] = {
    {FourCC("mvhd"),
     [](ByteReader& atom, MovieAtoms& movie) { return ParseMvhd(atom, movie.header); }},
    {FourCC("trak"), ParseTrak},
    {FourCC("cmov"), ParseCmov},
    {FourCC("mvex"),
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
  ZEB_MOVIE_TRY(InflateCmov(atom, moovAtom));
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
