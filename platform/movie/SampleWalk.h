// Walks over consecutive samples of a table, chunk by chunk, for the two
// operations that cover many samples at once: gathering a multi-sample read
// and grouping samples into references. Both cost one step per chunk or per
// group of alike samples, never one per sample of a constant-size table.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/movie/ByteSource.h"
#include "platform/movie/SampleReference.h"
#include "platform/movie/SampleTable.h"

namespace zeb::movie {

struct ReadPlan {
  uint64_t samples = 0;
  uint64_t bytes = 0;
  std::vector<ByteRange> ranges;  // back-to-back file bytes merged into one range
};

// Up to `maxSamples` samples from `first` that share its sample description,
// of at most `maxBytes` bytes together. A first sample larger than `maxBytes`
// gives an empty plan.
ReadPlan PlanRead(const SampleTable& table, uint64_t first, uint64_t maxSamples, uint64_t maxBytes);

// Fills up to `maxRecords` references for the samples from `first`; returns
// how many it filled. A reference never spans two chunks, and holds at most
// `maxSamplesPerRecord` samples and 4 GiB - 1 bytes.
uint32_t CollectReferences(const SampleTable& table, uint64_t first, uint32_t maxRecords,
                           uint32_t maxSamplesPerRecord, SampleReference64* records);

}  // namespace zeb::movie
