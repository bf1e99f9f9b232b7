// Where samples lie: the sample-to-chunk runs of 'stsc' (ISO/IEC 14496-12
// clause 8.7.4; chunk numbers are 1-based in the file, 0-based here) over the
// chunk offsets of 'stco' or 'co64'. One run per 'stsc' entry, with a prefix
// sum of samples, so finding a sample's chunk is a binary search.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/movie/Status.h"

namespace zeb::movie {

struct StscEntry {
  uint32_t firstChunk;  // 1-based, as stored
  uint32_t samplesPerChunk;
  uint32_t descriptionIndex;  // 1-based
};

class ChunkMap {
 public:
  struct Chunk {
    uint64_t index = 0;        // 0-based chunk number
    uint64_t firstSample = 0;  // 0-based
    uint32_t sampleCount = 0;
    uint32_t descriptionIndex = 0;  // 1-based
    uint64_t offset = 0;            // file offset of the chunk's first byte
    size_t run = 0;                 // 'stsc' run that holds the chunk
  };

  // Validates the entries against the chunk count: first chunks must rise
  // strictly (a first entry naming chunk 0 is read as chunk 1, a known
  // writer slip); description indexes must lie in 1..descriptionCount.
  static Status Build(const std::vector<StscEntry>& entries, std::vector<uint64_t> chunkOffsets,
                      uint32_t descriptionCount, const std::string& where, ChunkMap& map);

  // Samples that the chunks can hold.
  uint64_t SampleCapacity() const { return capacity_; }
  // The chunk that holds sample `index` (< SampleCapacity()).
  Chunk ChunkOf(uint64_t index) const;
  // The chunk after `chunk` that holds samples; false after the last one.
  bool NextChunk(Chunk& chunk) const;

 private:
  struct Run {
    uint64_t firstChunk;  // 0-based
    uint64_t endChunk;    // exclusive
    uint64_t firstSample;
    uint32_t samplesPerChunk;
    uint32_t descriptionIndex;
  };
  Chunk MakeChunk(size_t run, uint64_t index) const;

  std::vector<Run> runs_;
  std::vector<uint64_t> offsets_;
  uint64_t capacity_ = 0;
};

}  // namespace zeb::movie
