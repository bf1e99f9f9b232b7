// A media's samples, answered from the compact tables alone: no per-sample
// array is ever built, so an hour of 48 kHz PCM opens in the memory of its
// table atoms. Immutable after Build(), and so safe to share between threads.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/movie/SampleTableAtoms.h"

namespace zeb::movie {

struct SampleInfo {
  uint64_t offset = 0;        // file offset of the first byte
  uint32_t size = 0;          // bytes
  int64_t decodeTime = 0;     // media time units
  uint32_t duration = 0;      // media time units
  int32_t displayOffset = 0;  // display time − decode time, media time units
  bool sync = true;
  uint32_t descriptionIndex = 0;  // 1-based
};

struct SampleTiming {
  uint32_t duration = 0;      // decode duration, media time units
  int32_t displayOffset = 0;  // display time − decode time, media time units
};

class SampleTable {
 public:
  // Takes the parsed atoms of one 'stbl'. The sample count is the smaller of
  // the sizes' count and what the chunks hold; a decode-time table shorter
  // than that is lengthened with its last duration.
  static Status Build(SampleTableAtoms atoms, const std::string& where, SampleTable& table);

  uint64_t Count() const { return count_; }
  // Sample `index` (0-based, < Count()).
  SampleInfo Info(uint64_t index) const;
  // Timing of samples 0 .. timings.size() - 1 (at most Count()), from the
  // runs in one pass: what Info() reports sample by sample.
  void FillTimings(std::span<SampleTiming> timings) const;
  // The sample whose decode span holds `time`; false outside the media.
  bool SampleAt(int64_t time, uint64_t& index) const;
  bool HasDisplayOffsets() const { return displayOffsets_.HasNonZeroOffset(); }
  // Decode time just after the last sample.
  int64_t EndTime() const;

  const SampleSizeTable& Sizes() const { return sizes_; }
  const DecodeTimeTable& Times() const { return times_; }
  const SyncSampleTable& Sync() const { return sync_; }
  const ChunkMap& Chunks() const { return chunks_; }

 private:
  uint64_t count_ = 0;
  SampleSizeTable sizes_;
  DecodeTimeTable times_;
  CompositionOffsetTable displayOffsets_;
  SyncSampleTable sync_;
  ChunkMap chunks_;
};

}  // namespace zeb::movie
