// Decode times from 'stts' (ISO/IEC 14496-12 clause 8.6.1.2), kept as runs of
// equal durations with prefix sums of samples and ticks: lookups are binary
// searches, memory is one entry per run whatever the sample count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zeb::movie {

class DecodeTimeTable {
 public:
  struct Run {
    uint64_t firstSample;  // 0-based
    int64_t firstTime;     // media time units
    uint64_t count;
    uint32_t delta;  // duration of each sample of the run
  };

  // Appends `count` samples of `delta` ticks; false when the total time
  // would pass 2^63 - 1 ticks. Empty runs are dropped.
  [[nodiscard]] bool Append(uint64_t count, uint32_t delta);
  // Lengthens a table that covers fewer than `sampleCount` samples with the
  // last run's duration (0 for an empty table), as players do.
  [[nodiscard]] bool ExtendTo(uint64_t sampleCount);

  uint64_t SampleCount() const { return sampleCount_; }
  int64_t TotalDuration() const { return totalTime_; }
  const std::vector<Run>& Runs() const { return runs_; }

  // Run that holds sample `index` (< SampleCount()).
  size_t RunOf(uint64_t index) const;
  int64_t TimeOf(uint64_t index) const;
  uint32_t DurationOf(uint64_t index) const { return runs_[RunOf(index)].delta; }
  // The sample whose span [time, time + duration) holds `time`, else a
  // sample of 0 ticks at exactly `time`; false when there is none.
  bool SampleAt(int64_t time, uint64_t& index) const;
  // The first sample that starts at or after `time` (SampleCount() when none does).
  uint64_t FirstAtOrAfter(int64_t time) const;

 private:
  bool SampleSpanning(int64_t time, uint64_t& index) const;

  std::vector<Run> runs_;
  uint64_t sampleCount_ = 0;
  int64_t totalTime_ = 0;
};

}  // namespace zeb::movie
