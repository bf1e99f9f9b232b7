#include "media/StartCodeScanner.h"

namespace zeb::media {

namespace {
constexpr size_t kShortStartCode = 3;
}  // namespace

std::optional<size_t> StartCodeScanner::FindUnitStart(size_t from) const {
  // `end` is where the 01 of a start code would be. A byte above 1 there,
  // or a 01 without two zeros before it, rules out a start code ending at
  // it or at the two bytes after it.
  for (size_t end = from + kShortStartCode - 1; end < stream_.size();) {
    const uint8_t byte = stream_[end];
    if (byte == 1 && stream_[end - 1] == 0 && stream_[end - 2] == 0) return end + 1;
    end += byte == 0 ? 1 : kShortStartCode;
  }
  return std::nullopt;
}

std::optional<std::span<const uint8_t>> StartCodeScanner::Next() {
  if (!started_) {
    started_ = true;
    next_ = FindUnitStart(0);
  }
  while (next_) {
    const size_t start = *next_;
    next_ = FindUnitStart(start);
    size_t end = next_ ? *next_ - kShortStartCode : stream_.size();
    while (end > start && stream_[end - 1] == 0) --end;
    if (end > start) return stream_.subspan(start, end - start);
  }
  return std::nullopt;
}

}  // namespace zeb::media
