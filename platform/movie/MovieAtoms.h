// The atom tree of 'moov' (QuickTime 'moov', ISO/IEC 14496-12 clause 8.2),
// parsed into plain structs through one table of rows per container (see
// AtomTable.h for the rules on missing and repeated children). Unknown atoms
// are skipped; a compressed movie header ('cmov': 'dcom' names the
// compressor, 'cmvd' holds the zlib-compressed 'moov') is inflated and stands
// in for the movie header; its atoms join the outer 'moov's tracks.
#pragma once

#include <vector>

#include "platform/movie/AtomTable.h"
#include "platform/movie/HeaderAtoms.h"
#include "platform/movie/SampleTableAtoms.h"

namespace zeb::movie {

struct MediaAtoms {
  MediaHeader header;
  HandlerInfo handler;
  std::vector<DataReference> dataReferences;
  SampleTableAtoms samples;
  AtomNotes notes;
};

struct TrackAtoms {
  TrackHeader header;
  std::vector<EditEntry> edits;
  MediaAtoms media;
  std::string path;  // "moov/trak[2]", for messages
  // Why the track's atoms cannot be used (a table that breaks the format, a
  // required atom missing); the fields hold what was read before that.
  Status status;
  AtomNotes notes;
};

struct MovieAtoms {
  MovieHeader header;
  std::vector<TrackAtoms> tracks;
  bool compressed = false;  // the atoms came out of a 'cmov'
  bool fragmented = false;  // 'mvex': samples also lie in movie fragments ('moof')
  AtomNotes notes;
};

// Parses the payload of a 'moov' atom. A track whose atoms break the format
// keeps its place with the reason in `status`; only a fault of the movie's
// own atoms fails the parse.
Status ParseMoov(ByteReader& payload, MovieAtoms& movie);

}  // namespace zeb::movie
