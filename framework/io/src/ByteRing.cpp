#include "framework/io/src/ByteRing.h"

#include <new>

namespace zeb::io {

bool ByteRing::Reset(size_t capacity) {
  live_.clear();
  bytes_.reset();
  capacity_ = 0;
  if (capacity == 0) return true;
  bytes_.reset(new (std::nothrow) uint8_t[capacity]);
  if (!bytes_) return false;
  capacity_ = capacity;
  return true;
}

std::optional<size_t> ByteRing::Allocate(size_t length) {
  if (length == 0 || length > capacity_) return std::nullopt;
  size_t offset = 0;
  if (!live_.empty()) {
    const size_t head = live_.front().offset;
    const size_t tail = live_.back().offset + live_.back().length;
    if (tail > head && capacity_ - tail >= length) {
      offset = tail;
    } else if (tail > head && head >= length) {
      offset = 0;
    } else if (tail <= head && head - tail >= length) {
      offset = tail;
    } else {
      return std::nullopt;
    }
  }
  live_.push_back({offset, length});
  return offset;
}

void ByteRing::ReleaseOldest() {
  if (!live_.empty()) live_.pop_front();
}

}  // namespace zeb::io
