// The atoms of a sample table ('stbl', ISO/IEC 14496-12 clause 8.5 to 8.7),
// parsed straight into their compact tables. Every count is checked against
// the bytes left in its atom before anything is allocated.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/movie/AtomTable.h"
#include "platform/movie/ByteReader.h"
#include "platform/movie/ChunkMap.h"
#include "platform/movie/CompositionOffsetTable.h"
#include "platform/movie/DecodeTimeTable.h"
#include "platform/movie/SampleSizeTable.h"
#include "platform/movie/SyncSampleTable.h"

namespace zeb::movie {

struct SampleTableAtoms {
  // Sample description entries as stored (big-endian), header included.
  std::vector<std::vector<uint8_t>> descriptions;
  DecodeTimeTable times;
  CompositionOffsetTable displayOffsets;
  SyncSampleTable sync;
  std::vector<StscEntry> sampleToChunk;
  std::vector<uint64_t> chunkOffsets;
  SampleSizeTable sizes;
  AtomNotes notes;
};

Status ParseStsd(ByteReader& atom, SampleTableAtoms& table);
Status ParseStts(ByteReader& atom, SampleTableAtoms& table);
Status ParseCtts(ByteReader& atom, SampleTableAtoms& table);
Status ParseStss(ByteReader& atom, SampleTableAtoms& table);
Status ParseStps(ByteReader& atom, SampleTableAtoms& table);
Status ParseStsc(ByteReader& atom, SampleTableAtoms& table);
Status ParseStsz(ByteReader& atom, SampleTableAtoms& table);
Status ParseStz2(ByteReader& atom, SampleTableAtoms& table);
Status ParseStco(ByteReader& atom, SampleTableAtoms& table);
Status ParseCo64(ByteReader& atom, SampleTableAtoms& table);

}  // namespace zeb::movie
