#include "platform/movie/SyncSampleTable.h"

#include <algorithm>

namespace zeb::movie {

void SyncSampleTable::Add(const std::vector<uint32_t>& numbers, bool fromStss) {
  hasStss_ = hasStss_ || fromStss;
  numbers_.insert(numbers_.end(), numbers.begin(), numbers.end());
  std::sort(numbers_.begin(), numbers_.end());
  numbers_.erase(std::unique(numbers_.begin(), numbers_.end()), numbers_.end());
}

bool SyncSampleTable::IsSync(uint64_t index) const {
  if (!hasStss_) return true;
  const uint64_t number = index + 1;
  return std::binary_search(numbers_.begin(), numbers_.end(), number,
                            [](uint64_t a, uint64_t b) { return a < b; });
}

uint64_t SyncSampleTable::SameSyncEnd(uint64_t index, uint64_t limit) const {
  if (!hasStss_) return limit;
  auto it = std::lower_bound(numbers_.begin(), numbers_.end(), index + 1,
                             [](uint64_t a, uint64_t b) { return a < b; });
  if (it == numbers_.end() || *it != index + 1) {
    // Not sync: the run ends at the next listed number (1-based = the index after it).
    const uint64_t next = it == numbers_.end() ? limit : *it - 1;
    return std::min(next, limit);
  }
  uint64_t end = index + 1;
  for (++it; it != numbers_.end() && end < limit && *it == end + 1; ++it) ++end;
  return std::min(end, limit);
}

}  // namespace zeb::movie
