// A fixed byte area handing out contiguous spans in FIFO order: spans are
// released oldest first, and a span that does not fit before the end of the
// area starts again at its beginning.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

namespace zeb::io {

class ByteRing {
 public:
  // Drops every span and reserves `capacity` bytes; false when the memory
  // cannot be had (the ring is then empty, with capacity 0).
  bool Reset(size_t capacity);

  // Offset of a new span of `length` (> 0) bytes, or nothing when it does not fit.
  std::optional<size_t> Allocate(size_t length);
  void ReleaseOldest();

  uint8_t* At(size_t offset) { return bytes_.get() + offset; }

 private:
  struct Span {
    size_t offset;
    size_t length;
  };

  std::unique_ptr<uint8_t[]> bytes_;
  size_t capacity_ = 0;
  std::deque<Span> live_;
};

}  // namespace zeb::io
