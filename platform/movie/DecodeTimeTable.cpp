#include "platform/movie/DecodeTimeTable.h"

#include <algorithm>
#include <limits>

namespace zeb::movie {

bool DecodeTimeTable::Append(uint64_t count, uint32_t delta) {
  if (count == 0) return true;
  constexpr auto kMaxTime = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (delta != 0 && count > (kMaxTime - static_cast<uint64_t>(totalTime_)) / delta) return false;
  if (count > std::numeric_limits<uint64_t>::max() - sampleCount_) return false;
  runs_.push_back(Run{sampleCount_, totalTime_, count, delta});
  sampleCount_ += count;
  totalTime_ += static_cast<int64_t>(count * delta);
  return true;
}

bool DecodeTimeTable::ExtendTo(uint64_t sampleCount) {
  if (sampleCount <= sampleCount_) return true;
  const uint32_t delta = runs_.empty() ? 0 : runs_.back().delta;
  return Append(sampleCount - sampleCount_, delta);
}

size_t DecodeTimeTable::RunOf(uint64_t index) const {
  const auto after =
      std::upper_bound(runs_.begin(), runs_.end(), index,
                       [](uint64_t value, const Run& run) { return value < run.firstSample; });
  return static_cast<size_t>(after - runs_.begin()) - 1;
}

int64_t DecodeTimeTable::TimeOf(uint64_t index) const {
  const Run& run = runs_[RunOf(index)];
  return run.firstTime + static_cast<int64_t>((index - run.firstSample) * run.delta);
}

bool DecodeTimeTable::SampleAt(int64_t time, uint64_t& index) const {
  if (SampleSpanning(time, index)) return true;
  // A sample that lasts 0 ticks spans nothing; it is found at its own time.
  const uint64_t next = FirstAtOrAfter(time);
  if (time < 0 || next >= sampleCount_ || TimeOf(next) != time) return false;
  index = next;
  return true;
}

bool DecodeTimeTable::SampleSpanning(int64_t time, uint64_t& index) const {
  if (time < 0 || time >= totalTime_) return false;
  const auto after =
      std::upper_bound(runs_.begin(), runs_.end(), time,
                       [](int64_t value, const Run& run) { return value < run.firstTime; });
  if (after == runs_.begin()) return false;
  const Run& run = *(after - 1);
  if (run.delta == 0) return false;
  const uint64_t step = static_cast<uint64_t>(time - run.firstTime) / run.delta;
  if (step >= run.count) return false;
  index = run.firstSample + step;
  return true;
}

uint64_t DecodeTimeTable::FirstAtOrAfter(int64_t time) const {
  const auto before =
      std::lower_bound(runs_.begin(), runs_.end(), time,
                       [](const Run& run, int64_t value) { return run.firstTime < value; });
  if (before == runs_.begin()) return 0;
  const Run& run = *(before - 1);  // the last run that starts before `time`
  if (run.delta == 0) return run.firstSample + run.count;
  const uint64_t elapsed = static_cast<uint64_t>(time - run.firstTime);
  const uint64_t steps = elapsed / run.delta + (elapsed % run.delta != 0);
  return run.firstSample + std::min(steps, run.count);
}

}  // namespace zeb::movie
