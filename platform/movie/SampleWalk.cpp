#include "platform/movie/SampleWalk.h"

#include <algorithm>
#include <limits>

namespace zeb::movie {

namespace {

uint64_t ChunkEnd(const SampleTable& table, const ChunkMap::Chunk& chunk) {
  return std::min(chunk.firstSample + chunk.sampleCount, table.Count());
}

uint64_t OffsetInChunk(const SampleTable& table, const ChunkMap::Chunk& chunk, uint64_t index) {
  return chunk.offset + table.Sizes().BytesOf(chunk.firstSample, index - chunk.firstSample);
}

// The most of the `count` samples from `index` whose bytes fit in `budget`.
uint64_t SamplesWithin(const SampleSizeTable& sizes, uint64_t index, uint64_t count,
                       uint64_t budget) {
  uint64_t low = 0;
  uint64_t high = count;
  while (low < high) {
    const uint64_t middle = low + (high - low + 1) / 2;
    if (sizes.BytesOf(index, middle) <= budget) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

void AppendRange(std::vector<ByteRange>& ranges, uint64_t offset, uint64_t size) {
  if (size == 0) return;
  if (!ranges.empty() && ranges.back().offset + ranges.back().size == offset) {
    ranges.back().size += size;
  } else {
    ranges.push_back(ByteRange{offset, size});
  }
}

}  // namespace

ReadPlan PlanRead(const SampleTable& table, uint64_t first, uint64_t maxSamples,
                  uint64_t maxBytes) {
  ReadPlan plan;
  if (first >= table.Count()) return plan;
  ChunkMap::Chunk chunk = table.Chunks().ChunkOf(first);
  const uint32_t description = chunk.descriptionIndex;
  uint64_t index = first;
  while (plan.samples < maxSamples && chunk.descriptionIndex == description) {
    uint64_t count = std::min(ChunkEnd(table, chunk) - index, maxSamples - plan.samples);
    uint64_t bytes = table.Sizes().BytesOf(index, count);
    const bool limited = bytes > maxBytes - plan.bytes;
    if (limited) {
      count = SamplesWithin(table.Sizes(), index, count, maxBytes - plan.bytes);
      bytes = table.Sizes().BytesOf(index, count);
    }
    AppendRange(plan.ranges, OffsetInChunk(table, chunk, index), bytes);
    plan.samples += count;
    plan.bytes += bytes;
    index += count;
    if (limited || index >= table.Count() || !table.Chunks().NextChunk(chunk)) break;
  }
  return plan;
}

uint32_t CollectReferences(const SampleTable& table, uint64_t first, uint32_t maxRecords,
                           uint32_t maxSamplesPerRecord, SampleReference64* records) {
  if (first >= table.Count() || maxRecords == 0) return 0;
  ChunkMap::Chunk chunk = table.Chunks().ChunkOf(first);
  uint64_t index = first;
  uint64_t offset = OffsetInChunk(table, chunk, index);
  uint32_t filled = 0;
  while (filled < maxRecords) {
    const DecodeTimeTable::Run& run = table.Times().Runs()[table.Times().RunOf(index)];
    uint64_t end = std::min(ChunkEnd(table, chunk), run.firstSample + run.count);
    end = table.Sync().SameSyncEnd(index, end);
    end = table.Sizes().SameSizeEnd(index, end);
    const uint32_t size = table.Sizes().SizeOf(index);
    const uint64_t fitting =
        size == 0 ? maxSamplesPerRecord : std::numeric_limits<uint32_t>::max() / size;
    end = std::min(end, index + std::min<uint64_t>(fitting, maxSamplesPerRecord));
    SampleReference64& record = records[filled++];
    record.dataOffset = static_cast<int64_t>(offset);
    record.dataSize = static_cast<uint32_t>(size * (end - index));
    record.durationPerSample = run.delta;
    record.numberOfSamples = static_cast<uint32_t>(end - index);
    record.sampleFlags = table.Sync().IsSync(index) ? 0 : kSampleNotSync;
    offset += record.dataSize;
    index = end;
    if (index >= table.Count()) break;
    if (index >= ChunkEnd(table, chunk)) {
      if (!table.Chunks().NextChunk(chunk)) break;
      offset = chunk.offset;
    }
  }
  return filled;
}

}  // namespace zeb::movie
