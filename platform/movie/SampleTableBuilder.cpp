#include "platform/movie/SampleTableBuilder.h"

#include <limits>

#include "platform/movie/FourCC.h"

namespace zeb::movie {
namespace {

constexpr uint64_t kFullAtomHeader = 12;  // size, code, version and flags
constexpr uint64_t kU32Max = std::numeric_limits<uint32_t>::max();

}  // namespace

void SampleTableBuilder::StartChunk(uint64_t fileOffset, uint32_t descriptionIndex) {
  CloseOpenChunk();
  chunkOffsets_.push_back(fileOffset);
  openChunkSamples_ = 0;
  openChunkDescription_ = descriptionIndex;
}

bool SampleTableBuilder::CanAppend(uint32_t count) const {
  return count > 0 && uint64_t{sampleCount_} + count <= kU32Max;
}

void SampleTableBuilder::Append(const SampleRun& run) {
  AppendTimes(run);
  AppendOffsets(run);
  AppendSizes(run);
  AppendSync(run);
  sampleCount_ += run.count;
  duration_ += uint64_t{run.count} * run.duration;
  openChunkSamples_ += run.count;
}

void SampleTableBuilder::AppendTimes(const SampleRun& run) {
  if (!times_.empty() && times_.back().delta == run.duration) {
    times_.back().count += run.count;
  } else {
    times_.push_back({run.count, run.duration});
  }
}

void SampleTableBuilder::AppendOffsets(const SampleRun& run) {
  anyOffset_ = anyOffset_ || run.displayOffset != 0;
  negativeOffset_ = negativeOffset_ || run.displayOffset < 0;
  if (!offsets_.empty() && offsets_.back().offset == run.displayOffset) {
    offsets_.back().count += run.count;
  } else {
    offsets_.push_back({run.count, run.displayOffset});
  }
}

void SampleTableBuilder::AppendSizes(const SampleRun& run) {
  if (sampleCount_ == 0) constantSize_ = run.size;
  if (sizes_.empty() && run.size != constantSize_) sizes_.assign(sampleCount_, constantSize_);
  if (!sizes_.empty()) sizes_.insert(sizes_.end(), run.count, run.size);
}

void SampleTableBuilder::AppendSync(const SampleRun& run) {
  if (allSync_ && !run.sync) {
    allSync_ = false;
    for (uint32_t number = 1; number <= sampleCount_; ++number) syncSamples_.push_back(number);
  }
  if (allSync_ || !run.sync) return;
  for (uint32_t i = 1; i <= run.count; ++i) syncSamples_.push_back(sampleCount_ + i);
}

bool SampleTableBuilder::OpenChunkExtendsLastRun() const {
  return !closedRuns_.empty() && closedRuns_.back().samplesPerChunk == openChunkSamples_ &&
         closedRuns_.back().descriptionIndex == openChunkDescription_;
}

size_t SampleTableBuilder::ChunkRunCount() const {
  const bool open_run = HasChunk() && !OpenChunkExtendsLastRun();
  return closedRuns_.size() + (open_run ? 1 : 0);
}

void SampleTableBuilder::CloseOpenChunk() {
  if (!HasChunk() || OpenChunkExtendsLastRun()) return;
  closedRuns_.push_back({ChunkCount(), openChunkSamples_, openChunkDescription_});
}

bool SampleTableBuilder::NeedsCo64() const {
  return !chunkOffsets_.empty() && chunkOffsets_.back() > kU32Max;
}

uint64_t SampleTableBuilder::TablesSize() const {
  const uint64_t counted = kFullAtomHeader + 4;
  uint64_t size = counted + 8 * times_.size();
  if (NeedsCtts()) size += counted + 8 * offsets_.size();
  if (NeedsStss()) size += counted + 4 * syncSamples_.size();
  size += counted + 12 * ChunkRunCount();
  size += kFullAtomHeader + 8 + 4 * sizes_.size();
  size += counted + (NeedsCo64() ? 8 : 4) * chunkOffsets_.size();
  return size;
}

void SampleTableBuilder::WriteTables(ByteWriter& out) const {
  WriteStts(out);
  if (NeedsCtts()) WriteCtts(out);
  if (NeedsStss()) WriteStss(out);
  WriteStsc(out);
  WriteStsz(out);
  WriteChunkOffsets(out);
}

void SampleTableBuilder::WriteStts(ByteWriter& out) const {
  out.BeginFull(FourCC("stts"), 0, 0);
  out.PutU32(static_cast<uint32_t>(times_.size()));
  for (const TimeRun& run : times_) {
    out.PutU32(run.count);
    out.PutU32(run.delta);
  }
  out.End();
}

// Version 1 marks the offsets as signed (ISO/IEC 14496-12 8.6.1.3).
void SampleTableBuilder::WriteCtts(ByteWriter& out) const {
  out.BeginFull(FourCC("ctts"), negativeOffset_ ? 1 : 0, 0);
  out.PutU32(static_cast<uint32_t>(offsets_.size()));
  for (const OffsetRun& run : offsets_) {
    out.PutU32(run.count);
    out.PutU32(static_cast<uint32_t>(run.offset));
  }
  out.End();
}

void SampleTableBuilder::WriteStss(ByteWriter& out) const {
  out.BeginFull(FourCC("stss"), 0, 0);
  out.PutU32(static_cast<uint32_t>(syncSamples_.size()));
  for (uint32_t number : syncSamples_) out.PutU32(number);
  out.End();
}

void SampleTableBuilder::WriteStsc(ByteWriter& out) const {
  const auto put_run = [&out](uint32_t first_chunk, uint32_t samples, uint32_t description) {
    out.PutU32(first_chunk);
    out.PutU32(samples);
    out.PutU32(description);
  };
  out.BeginFull(FourCC("stsc"), 0, 0);
  out.PutU32(static_cast<uint32_t>(ChunkRunCount()));
  for (const ChunkRun& run : closedRuns_)
    put_run(run.firstChunk, run.samplesPerChunk, run.descriptionIndex);
  if (ChunkRunCount() > closedRuns_.size())
    put_run(ChunkCount(), openChunkSamples_, openChunkDescription_);
  out.End();
}

// A nonzero sample size means every sample has that size and no array follows.
void SampleTableBuilder::WriteStsz(ByteWriter& out) const {
  out.BeginFull(FourCC("stsz"), 0, 0);
  out.PutU32(sizes_.empty() ? constantSize_ : 0);
  out.PutU32(sampleCount_);
  for (uint32_t size : sizes_) out.PutU32(size);
  out.End();
}

void SampleTableBuilder::WriteChunkOffsets(ByteWriter& out) const {
  const bool wide = NeedsCo64();
  out.BeginFull(FourCC(wide ? "co64" : "stco"), 0, 0);
  out.PutU32(ChunkCount());
  for (uint64_t offset : chunkOffsets_) {
    if (wide) {
      out.PutU64(offset);
    } else {
      out.PutU32(static_cast<uint32_t>(offset));
    }
  }
  out.End();
}

}  // namespace zeb::movie
