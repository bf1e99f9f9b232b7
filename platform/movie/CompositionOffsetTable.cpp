#include "platform/movie/CompositionOffsetTable.h"

#include <algorithm>

namespace zeb::movie {

void CompositionOffsetTable::Append(uint32_t count, int32_t offset) {
  if (count == 0) return;
  runs_.push_back(Run{sampleCount_, count, offset});
  sampleCount_ += count;
  hasNonZero_ = hasNonZero_ || offset != 0;
}

int32_t CompositionOffsetTable::OffsetOf(uint64_t index) const {
  if (index >= sampleCount_) return 0;
  const auto after =
      std::upper_bound(runs_.begin(), runs_.end(), index,
                       [](uint64_t value, const Run& run) { return value < run.firstSample; });
  return (after - 1)->offset;
}

}  // namespace zeb::movie
