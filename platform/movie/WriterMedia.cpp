#include "platform/movie/WriterMedia.h"

#include <algorithm>

namespace zeb::movie {
namespace {

// Half a second of media a chunk: players read audio and video of the same
// moment from nearby bytes, and the chunk table stays small.
constexpr uint64_t kChunkTicksDivisor = 2;

}  // namespace

WriterMedia::WriterMedia(uint32_t mediaType, uint32_t timeScale)
    : type_(mediaType), timeScale_(timeScale) {}

void WriterMedia::EndEdits() {
  editing_ = false;
  chunkOpen_ = false;
}

uint32_t WriterMedia::UseDescription(std::vector<uint8_t> fileOrderEntry) {
  if (currentDescription_ != 0 && descriptions_[currentDescription_ - 1] == fileOrderEntry) {
    return currentDescription_;
  }
  const auto found = std::find(descriptions_.begin(), descriptions_.end(), fileOrderEntry);
  if (found != descriptions_.end()) return static_cast<uint32_t>(found - descriptions_.begin()) + 1;
  descriptions_.push_back(std::move(fileOrderEntry));
  return static_cast<uint32_t>(descriptions_.size());
}

bool WriterMedia::NeedsNewChunk(uint32_t descriptionIndex, bool dataFollowsChunk) const {
  const uint64_t target = std::max<uint64_t>(1, timeScale_ / kChunkTicksDivisor);
  return !chunkOpen_ || !dataFollowsChunk || descriptionIndex != currentDescription_ ||
         chunkDuration_ >= target;
}

void WriterMedia::StartChunk(uint64_t fileOffset, uint32_t descriptionIndex) {
  table_.StartChunk(fileOffset, descriptionIndex);
  currentDescription_ = descriptionIndex;
  chunkOpen_ = true;
  chunkDuration_ = 0;
}

void WriterMedia::Append(const SampleRun& run) {
  table_.Append(run);
  chunkDuration_ += uint64_t{run.count} * run.duration;
}

}  // namespace zeb::movie
