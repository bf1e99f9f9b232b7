// The sample tables of one media being written, kept as runs so that memory
// follows the table's shape rather than its sample count: an hour of PCM is a
// handful of runs, a million constant-size frames a few words. Each table
// atom's writer and its predicted size sit side by side.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/movie/ByteWriter.h"

namespace zeb::movie {

// `count` consecutive samples of one chunk that share every property.
struct SampleRun {
  uint32_t count = 1;
  uint32_t size = 0;          // bytes of each sample
  uint32_t duration = 0;      // decode duration of each sample, media ticks
  int32_t displayOffset = 0;  // display time minus decode time, media ticks
  bool sync = true;
};

class SampleTableBuilder {
 public:
  // Opens a new chunk at `fileOffset`; later samples belong to it.
  // `descriptionIndex` is 1-based, as stored in 'stsc'.
  void StartChunk(uint64_t fileOffset, uint32_t descriptionIndex);
  // Appends samples to the open chunk. The caller has opened a chunk and
  // checked CanAppend().
  void Append(const SampleRun& run);
  bool CanAppend(uint32_t count) const;

  uint32_t SampleCount() const { return sampleCount_; }
  uint64_t Duration() const { return duration_; }
  uint32_t ChunkCount() const { return static_cast<uint32_t>(chunkOffsets_.size()); }
  bool HasChunk() const { return !chunkOffsets_.empty(); }
  bool NeedsCtts() const { return anyOffset_; }
  bool NeedsStss() const { return !allSync_; }
  bool NeedsCo64() const;

  // Writes stts, [ctts], [stss], stsc, stsz, stco or co64, in that order.
  void WriteTables(ByteWriter& out) const;
  // Bytes WriteTables() produces, from the entry counts alone.
  uint64_t TablesSize() const;

 private:
  struct TimeRun {
    uint32_t count;
    uint32_t delta;
  };
  struct OffsetRun {
    uint32_t count;
    int32_t offset;
  };
  struct ChunkRun {
    uint32_t firstChunk;  // 1-based
    uint32_t samplesPerChunk;
    uint32_t descriptionIndex;  // 1-based
  };

  void AppendTimes(const SampleRun& run);
  void AppendOffsets(const SampleRun& run);
  void AppendSizes(const SampleRun& run);
  void AppendSync(const SampleRun& run);
  bool OpenChunkExtendsLastRun() const;
  size_t ChunkRunCount() const;
  void CloseOpenChunk();

  void WriteStts(ByteWriter& out) const;
  void WriteCtts(ByteWriter& out) const;
  void WriteStss(ByteWriter& out) const;
  void WriteStsc(ByteWriter& out) const;
  void WriteStsz(ByteWriter& out) const;
  void WriteChunkOffsets(ByteWriter& out) const;

  uint32_t sampleCount_ = 0;
  uint64_t duration_ = 0;

  std::vector<TimeRun> times_;
  std::vector<OffsetRun> offsets_;
  bool anyOffset_ = false;
  bool negativeOffset_ = false;

  // Constant while every sample has one size; the array exists only after
  // the first sample of a different size.
  uint32_t constantSize_ = 0;
  std::vector<uint32_t> sizes_;

  // Sync sample numbers (1-based), listed only once a non-sync sample arrives.
  bool allSync_ = true;
  std::vector<uint32_t> syncSamples_;

  // Closed chunks as 'stsc' runs; the open chunk is counted apart.
  std::vector<ChunkRun> closedRuns_;
  uint32_t openChunkSamples_ = 0;
  uint32_t openChunkDescription_ = 0;
  std::vector<uint64_t> chunkOffsets_;
};

}  // namespace zeb::movie
