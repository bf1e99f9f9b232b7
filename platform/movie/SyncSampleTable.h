// Sync samples from 'stss' and partial-sync samples from 'stps' (QuickTime:
// open-GOP I-frames), merged into one sorted list of 1-based sample numbers.
// No 'stss' means every sample is a sync sample; an empty one means none is.
#pragma once

#include <cstdint>
#include <vector>

namespace zeb::movie {

class SyncSampleTable {
 public:
  // Adds the numbers of an 'stss' (`fromStss` true) or an 'stps'.
  void Add(const std::vector<uint32_t>& numbers, bool fromStss);
  bool IsSync(uint64_t index) const;
  // End (exclusive) of the run of samples from `index` that share its
  // sync-ness, at most `limit`.
  uint64_t SameSyncEnd(uint64_t index, uint64_t limit) const;

 private:
  bool hasStss_ = false;
  std::vector<uint32_t> numbers_;  // sorted, unique
};

}  // namespace zeb::movie
