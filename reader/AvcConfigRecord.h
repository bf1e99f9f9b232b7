// The H.264 decoder configuration of an 'avcC' extension, as the frame
// conversion needs it: the NAL length size and the parameter sets.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "reader/ByteView.h"

struct AvcConfigRecord {
  uint8_t configuration[4] = {};          // version, profile, compatibility, level
  uint8_t lengthSizeCode = 3;             // NAL length field size minus one
  std::vector<std::vector<uint8_t>> sps;  // 1 to 10 sets
  // 0 to 31 sets; a set that did not fit the description, and every set
  // after it, is empty.
  std::vector<std::vector<uint8_t>> pps;

  uint32_t NalLengthSize() const { return uint32_t{lengthSizeCode} + 1; }
};

enum class AvcConfigParse {
  kKept,            // the record stands; the extension scan goes on
  kDroppedGoOn,     // no record; the scan goes on with the next atom
  kDroppedEndScan,  // no record; the scan ends
};

// Parses the 'avcC' atom of `atomSize` bytes that starts at `atom` inside
// `description`. A piece counts only when it lies inside the atom and at
// least one byte of the description follows it.
AvcConfigParse ParseAvcConfig(const ByteView& description, size_t atom, size_t atomSize,
                              std::unique_ptr<AvcConfigRecord>& record);
