// Random-access bytes of a movie. Reads carry their own offset (no shared
// cursor), so one source serves several threads at once.
#pragma once

#include <cstdint>
#include <span>

#include "platform/movie/Status.h"

namespace zeb::movie {

struct ByteRange {
  uint64_t offset = 0;
  uint64_t size = 0;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Length in bytes, fixed when the source was opened.
  virtual uint64_t Size() const = 0;
  // Fills all of `out` from `offset`; a range that passes Size() gives
  // kTruncated and an operating-system failure kIoError. Thread-safe.
  virtual Status ReadAt(uint64_t offset, std::span<uint8_t> out) const = 0;
  // Fills `out` with the ranges' bytes back to back (`out` holds their sizes
  // together); the first range that fails gives ReadAt's status.
  virtual Status ReadRanges(std::span<const ByteRange> ranges, std::span<uint8_t> out) const;
};

}  // namespace zeb::movie
