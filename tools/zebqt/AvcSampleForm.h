// An 'avc1' frame as the reader hands it (Annex B, the parameter sets in
// front of key frames) turned back into the file's form (NAL units behind
// big-endian lengths), with the image description that carries those
// parameter sets in its 'avcC' atom.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "media/AvcConfigRecord.h"

class AvcSampleForm {
 public:
  // `readerDescription`: the track's image description from the reader
  // (header fields in the machine's order, extension atoms big-endian).
  // Its header and every atom but 'avcC' are kept; its 'avcC' gives the
  // length size of the written units (4 without one).
  explicit AvcSampleForm(std::span<const uint8_t> readerDescription);

  // The sample for `annexB`; the leading parameter sets are left out and,
  // when they differ from the last ones seen, become the description's new
  // 'avcC'. Valid until the next call. Throws std::runtime_error when a unit
  // does not fit the length size.
  std::span<const uint8_t> Convert(std::span<const uint8_t> annexB);

  // The image description to attach to the frame just converted.
  std::span<const uint8_t> Description() const { return description_; }

 private:
  void RebuildDescription(const zeb::media::AvcConfigRecord& config);

  std::vector<uint8_t> header_;  // the description's header and kept atoms
  uint32_t lengthSize_ = 4;
  std::vector<uint8_t> description_;
  std::optional<zeb::media::AvcConfigRecord> config_;
  std::vector<uint8_t> sample_;
};
