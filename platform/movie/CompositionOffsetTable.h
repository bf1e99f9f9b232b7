// Display offsets from 'ctts' (ISO/IEC 14496-12 clause 8.6.1.3) as runs with
// a prefix sum of samples. Version 0 offsets are read as signed too: writers
// stored negative offsets there long before version 1 allowed them.
#pragma once

#include <cstdint>
#include <vector>

namespace zeb::movie {

class CompositionOffsetTable {
 public:
  // 16 bytes: B-frame streams have about one run per sample.
  struct Run {
    uint64_t firstSample;
    uint32_t count;
    int32_t offset;
  };

  void Append(uint32_t count, int32_t offset);

  bool Empty() const { return runs_.empty(); }
  // True when some sample is displayed away from its decode time.
  bool HasNonZeroOffset() const { return hasNonZero_; }
  // Offset of sample `index` (0-based); samples past the table get 0.
  int32_t OffsetOf(uint64_t index) const;
  const std::vector<Run>& Runs() const { return runs_; }

 private:
  std::vector<Run> runs_;
  uint64_t sampleCount_ = 0;
  bool hasNonZero_ = false;
};

}  // namespace zeb::movie
