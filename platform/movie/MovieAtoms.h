// The atom tree of 'moov' (QuickTime 'moov', ISO/IEC 14496-12 clause 8.2),
// parsed into plain structs through one {code, handler} table per container.
// Unknown atoms are skipped; a compressed movie header ('cmov': 'dcom' names
// the compressor, 'cmvd' holds the zlib-compressed 'moov') is inflated and
// parsed in place of the atoms around it.
#pragma once

#include <vector>

#include "platform/movie/HeaderAtoms.h"
#include "platform/movie/SampleTableAtoms.h"

namespace zeb::movie {

struct MediaAtoms {
  MediaHeader header;
  HandlerInfo handler;
  std::vector<DataReference> dataReferences;
  SampleTableAtoms samples;
};

struct TrackAtoms {
  TrackHeader header;
  std::vector<EditEntry> edits;
  MediaAtoms media;
  std::string path;  // "moov/trak", for messages
};

struct MovieAtoms {
  MovieHeader header;
  std::vector<TrackAtoms> tracks;
  bool compressed = false;  // the atoms came out of a 'cmov'
  bool fragmented = false;  // 'mvex': samples also lie in movie fragments ('moof')
};

// Parses the payload of a 'moov' atom.
Status ParseMoov(ByteReader& payload, MovieAtoms& movie);

}  // namespace zeb::movie
