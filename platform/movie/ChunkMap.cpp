#include "platform/movie/ChunkMap.h"

#include <algorithm>

namespace zeb::movie {

Status ChunkMap::Build(const std::vector<StscEntry>& entries, std::vector<uint64_t> chunkOffsets,
                       uint32_t descriptionCount, const std::string& where, ChunkMap& map) {
  map = ChunkMap();
  map.offsets_ = std::move(chunkOffsets);
  const uint64_t chunkCount = map.offsets_.size();
  for (size_t i = 0; i < entries.size(); ++i) {
    const StscEntry& entry = entries[i];
    const uint64_t first = (i == 0 && entry.firstChunk == 0) ? 0 : uint64_t{entry.firstChunk} - 1;
    if (i > 0 && entry.firstChunk <= entries[i - 1].firstChunk) {
      return Status::Error(StatusCode::kInvalid,
                           "stsc entry " + std::to_string(i + 1) + " does not start after entry " +
                               std::to_string(i),
                           where);
    }
    if (entry.descriptionIndex == 0 || entry.descriptionIndex > descriptionCount) {
      return Status::Error(StatusCode::kInvalid,
                           "stsc entry " + std::to_string(i + 1) + " names sample description " +
                               std::to_string(entry.descriptionIndex) + " of " +
                               std::to_string(descriptionCount),
                           where);
    }
    if (first >= chunkCount) break;  // runs past the last chunk place nothing
    if (!map.runs_.empty()) map.runs_.back().endChunk = first;
    map.runs_.push_back(Run{first, chunkCount, 0, entry.samplesPerChunk, entry.descriptionIndex});
  }
  for (Run& run : map.runs_) {
    run.firstSample = map.capacity_;
    map.capacity_ += (run.endChunk - run.firstChunk) * run.samplesPerChunk;
  }
  return Status::Ok();
}

ChunkMap::Chunk ChunkMap::MakeChunk(size_t run, uint64_t index) const {
  const Run& r = runs_[run];
  Chunk chunk;
  chunk.index = index;
  chunk.firstSample = r.firstSample + (index - r.firstChunk) * r.samplesPerChunk;
  chunk.sampleCount = r.samplesPerChunk;
  chunk.descriptionIndex = r.descriptionIndex;
  chunk.offset = offsets_[static_cast<size_t>(index)];
  chunk.run = run;
  return chunk;
}

ChunkMap::Chunk ChunkMap::ChunkOf(uint64_t index) const {
  // Runs of empty chunks share firstSample with the run after them; the
  // search lands on the last run that starts at or before the sample, which
  // is the one with samples.
  const auto after =
      std::upper_bound(runs_.begin(), runs_.end(), index,
                       [](uint64_t value, const Run& run) { return value < run.firstSample; });
  const size_t run = static_cast<size_t>(after - runs_.begin()) - 1;
  const Run& r = runs_[run];
  return MakeChunk(run, r.firstChunk + (index - r.firstSample) / r.samplesPerChunk);
}

bool ChunkMap::NextChunk(Chunk& chunk) const {
  size_t run = chunk.run;
  uint64_t index = chunk.index + 1;
  while (run < runs_.size() && (index >= runs_[run].endChunk || runs_[run].samplesPerChunk == 0)) {
    ++run;
    if (run < runs_.size()) index = std::max(index, runs_[run].firstChunk);
  }
  if (run >= runs_.size()) return false;
  chunk = MakeChunk(run, index);
  return true;
}

}  // namespace zeb::movie
