#include "platform/movie/SampleTable.h"

#include <algorithm>

namespace zeb::movie {

namespace {

// Hands `set` each sample of `runs` below `limit` with its run, in order.
template <typename Run, typename Set>
void ForEachSampleOfRuns(const std::vector<Run>& runs, uint64_t limit, Set set) {
  for (const Run& run : runs) {
    const uint64_t end = std::min<uint64_t>(run.firstSample + run.count, limit);
    for (uint64_t index = run.firstSample; index < end; ++index) set(index, run);
    if (end == limit) return;
  }
}

}  // namespace

Status SampleTable::Build(SampleTableAtoms atoms, const std::string& where, SampleTable& table) {
  table = SampleTable();
  const auto descriptionCount = static_cast<uint32_t>(atoms.descriptions.size());
  ZEB_MOVIE_TRY(ChunkMap::Build(atoms.sampleToChunk, std::move(atoms.chunkOffsets),
                                descriptionCount, where, table.chunks_));
  table.count_ = std::min(atoms.sizes.Count(), table.chunks_.SampleCapacity());
  if (!atoms.times.ExtendTo(table.count_)) {
    return Status::Error(StatusCode::kInvalid, "decode times pass 2^63 ticks", where);
  }
  table.sizes_ = std::move(atoms.sizes);
  table.times_ = std::move(atoms.times);
  table.displayOffsets_ = std::move(atoms.displayOffsets);
  table.sync_ = std::move(atoms.sync);
  return Status::Ok();
}

SampleInfo SampleTable::Info(uint64_t index) const {
  const ChunkMap::Chunk chunk = chunks_.ChunkOf(index);
  SampleInfo info;
  info.offset = chunk.offset + sizes_.BytesOf(chunk.firstSample, index - chunk.firstSample);
  info.size = sizes_.SizeOf(index);
  info.decodeTime = times_.TimeOf(index);
  info.duration = times_.DurationOf(index);
  info.displayOffset = displayOffsets_.OffsetOf(index);
  info.sync = sync_.IsSync(index);
  info.descriptionIndex = chunk.descriptionIndex;
  return info;
}

void SampleTable::FillTimings(std::span<SampleTiming> timings) const {
  const uint64_t limit = std::min<uint64_t>(timings.size(), count_);
  std::fill(timings.begin(), timings.end(), SampleTiming{});
  ForEachSampleOfRuns(times_.Runs(), limit, [&](uint64_t index, const DecodeTimeTable::Run& run) {
    timings[index].duration = run.delta;
  });
  ForEachSampleOfRuns(displayOffsets_.Runs(), limit,
                      [&](uint64_t index, const CompositionOffsetTable::Run& run) {
                        timings[index].displayOffset = run.offset;
                      });
}

bool SampleTable::SampleAt(int64_t time, uint64_t& index) const {
  return times_.SampleAt(time, index) && index < count_;
}

int64_t SampleTable::EndTime() const {
  if (count_ == 0) return 0;
  return times_.TimeOf(count_ - 1) + times_.DurationOf(count_ - 1);
}

}  // namespace zeb::movie
