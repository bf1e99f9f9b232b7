#include "media/StartCodeScanner.h"

#include <cstring>

namespace zeb::media {

namespace {
constexpr size_t kShortStartCode = 3;
}  // namespace

std::optional<size_t> StartCodeScanner::FindUnitStart(size_t from) const {
  // `end` is where the 01 of a start code would be. Coded slice data holds
  // few 01 bytes, so memchr's wide compare finds the candidates; each is a
  // start code only with two zeros before it.
  for (size_t end = from + kShortStartCode - 1; end < stream_.size(); ++end) {
    const std::span<const uint8_t> rest = stream_.subspan(end);
    const auto* one = static_cast<const uint8_t*>(std::memchr(rest.data(), 1, rest.size()));
    if (one == nullptr) return std::nullopt;
    end += static_cast<size_t>(one - rest.data());
    if (stream_[end - 1] == 0 && stream_[end - 2] == 0) return end + 1;
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
