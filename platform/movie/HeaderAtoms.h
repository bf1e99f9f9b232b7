// Header atoms of a movie, its tracks and their media (ISO/IEC 14496-12
// clauses 8.2 to 8.4 and 8.6.5 to 8.7.2; QuickTime 'mvhd', 'tkhd', 'elst',
// 'mdhd', 'hdlr', 'dref'), as plain structs with one parser each.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/movie/ByteReader.h"

namespace zeb::movie {

struct MovieHeader {
  uint32_t timeScale = 0;  // ticks per second
  uint64_t duration = 0;   // movie time units
};

struct TrackHeader {
  uint32_t flags = 0;  // bit 0: enabled
  uint32_t trackId = 0;
  uint64_t duration = 0;  // movie time units
  uint32_t width = 0;     // 16.16 fixed point
  uint32_t height = 0;    // 16.16 fixed point
};

struct EditEntry {
  uint64_t segmentDuration = 0;  // movie time units
  int64_t mediaTime = 0;         // media time units; -1 = an empty edit
  int32_t mediaRate = 0;         // 16.16 fixed point
};

struct MediaHeader {
  uint32_t timeScale = 0;  // ticks per second
  uint64_t duration = 0;   // media time units
  uint16_t language = 0;
};

struct HandlerInfo {
  uint32_t componentType = 0;  // 'mhlr' in QuickTime files, 0 in ISO files
  uint32_t subtype = 0;        // the media type: 'vide', 'soun', 'tmcd', ...
};

struct DataReference {
  uint32_t type = 0;           // 'alis', 'url ', ...
  bool selfContained = false;  // flag 1: the data is in the movie's own file
};

Status ParseMvhd(ByteReader& atom, MovieHeader& header);
Status ParseTkhd(ByteReader& atom, TrackHeader& header);
Status ParseElst(ByteReader& atom, std::vector<EditEntry>& edits);
Status ParseMdhd(ByteReader& atom, MediaHeader& header);
Status ParseHdlr(ByteReader& atom, HandlerInfo& handler);
Status ParseDref(ByteReader& atom, std::vector<DataReference>& references);

}  // namespace zeb::movie
