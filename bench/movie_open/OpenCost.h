// What opening a movie costs one library, measured in a child process so
// that neither library's caches or freed blocks affect the other:
//  - seconds: the fastest of several opens of a file already in the page cache;
//  - heapBytes: heap bytes in use while the movie is held open, minus before
//    (what the open movie keeps);
//  - peakHeapBytes: the most heap bytes in use during the open, minus before
//    (temporary buffers included).
// Heap bytes are counted by HeapCounter, for both libraries alike.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zeb::bench {

struct OpenCost {
  bool ok = false;
  double seconds = 0;
  int64_t heapBytes = 0;
  int64_t peakHeapBytes = 0;
};

// A library's open and close of one movie; open returns false on failure.
struct MovieOpener {
  std::function<bool(const std::string& path)> open;
  std::function<void()> close;
};

OpenCost MeasureOpen(const MovieOpener& opener, const std::string& path, int timedRuns);

}  // namespace zeb::bench
