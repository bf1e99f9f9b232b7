// One media being written: its type, time scale, sample descriptions (in file
// byte order) and sample tables, and the rule that cuts its samples into chunks.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/movie/SampleTableBuilder.h"

namespace zeb::movie {

class WriterMedia {
 public:
  WriterMedia(uint32_t mediaType, uint32_t timeScale);

  uint32_t Type() const { return type_; }
  uint32_t TimeScale() const { return timeScale_; }
  bool Editing() const { return editing_; }
  void BeginEdits() { editing_ = true; }
  // Ends the open chunk too: samples added in a later edit session start a new one.
  void EndEdits();

  // 1-based index of the entry equal to `fileOrderEntry`, added when new.
  uint32_t UseDescription(std::vector<uint8_t> fileOrderEntry);
  // 1-based index of the description of the last sample, 0 before the first.
  uint32_t CurrentDescription() const { return currentDescription_; }
  const std::vector<std::vector<uint8_t>>& Descriptions() const { return descriptions_; }

  // Whether samples must open a new chunk instead of joining the open one:
  // none is open, another media's data follows it in the file, the
  // description changes, or it already holds half a second of media.
  bool NeedsNewChunk(uint32_t descriptionIndex, bool dataFollowsChunk) const;
  void StartChunk(uint64_t fileOffset, uint32_t descriptionIndex);
  void Append(const SampleRun& run);

  const SampleTableBuilder& Table() const { return table_; }
  uint64_t Duration() const { return table_.Duration(); }

 private:
  uint32_t type_;
  uint32_t timeScale_;
  bool editing_ = false;
  std::vector<std::vector<uint8_t>> descriptions_;
  uint32_t currentDescription_ = 0;
  SampleTableBuilder table_;
  bool chunkOpen_ = false;
  uint64_t chunkDuration_ = 0;  // media ticks in the open chunk
};

}  // namespace zeb::movie
