// The H.264 decoder configuration of an 'avcC' atom (ISO/IEC 14496-15
// AVCDecoderConfigurationRecord): read from a track's image description,
// built for a written one.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/movie/ByteReader.h"

namespace zeb::media {

struct AvcConfigRecord {
  uint8_t configuration[4] = {};          // version, profile, compatibility, level
  uint8_t lengthSizeCode = 3;             // NAL length field size minus one
  std::vector<std::vector<uint8_t>> sps;  // 1 to kMaxSequenceSets sets
  // Up to kMaxPictureSets sets; a set whose bytes did not fit the atom, and
  // every set after it, is empty.
  std::vector<std::vector<uint8_t>> pps;

  uint32_t NalLengthSize() const { return uint32_t{lengthSizeCode} + 1; }
  bool operator==(const AvcConfigRecord&) const = default;
};

inline constexpr size_t kMaxSequenceSets = 10;
inline constexpr size_t kMaxPictureSets = 31;

enum class AvcConfigParse {
  kComplete,            // every piece read
  kPictureSetsCut,      // a picture set's bytes ran out: it and the later ones stay empty
  kNoPictureSetLength,  // a picture set's length ran out: no record
  kHeadUnusable,        // the fields, a sequence set or the picture-set count ran out, or 0 or
                        // too many sequence sets: no record
};

// Reads the atom's payload (the bytes after its 8-byte header); `record` is
// filled when the outcome keeps one (kComplete, kPictureSetsCut). Counts
// are the low five bits of their bytes.
AvcConfigParse ParseAvcConfig(zeb::movie::ByteReader payload, AvcConfigRecord& record);

// The atom's payload for `record`: nothing when it has no sequence set or
// more sets, or longer sets, than the record can carry.
std::optional<std::vector<uint8_t>> BuildAvcConfig(const AvcConfigRecord& record);

// A record from the sequence and picture parameter sets (NAL types 7 and 8)
// of an Annex B stream, such as an encoder's first key frame; the profile
// and level come from the first sequence set. Nothing without a usable
// sequence set.
std::optional<AvcConfigRecord> AvcConfigFromAnnexB(std::span<const uint8_t> stream,
                                                   uint32_t nalLengthSize);

}  // namespace zeb::media
