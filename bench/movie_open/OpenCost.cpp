#include "bench/movie_open/OpenCost.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "bench/movie_open/HeapCounter.h"

namespace zeb::bench {
namespace {

OpenCost MeasureHere(const MovieOpener& opener, const std::string& path, int timedRuns) {
  OpenCost cost;
  if (!opener.open(path)) return cost;  // warms the page cache and lazy set-up
  opener.close();

  const int64_t heap_before = HeapBytesInUse();
  ResetHeapPeak();
  if (!opener.open(path)) return cost;
  cost.heapBytes = HeapBytesInUse() - heap_before;
  cost.peakHeapBytes = HeapPeakBytes() - heap_before;
  opener.close();

  cost.seconds = 1e9;
  for (int run = 0; run < timedRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const bool opened = opener.open(path);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!opened) return cost;
    opener.close();
    cost.seconds = std::min(cost.seconds, took.count());
  }
  cost.ok = true;
  return cost;
}

}  // namespace

OpenCost MeasureOpen(const MovieOpener& opener, const std::string& path, int timedRuns) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    const OpenCost cost = MeasureHere(opener, path, timedRuns);
    const ssize_t written = ::write(pipe_ends[1], &cost, sizeof cost);
    ::_exit(written == sizeof cost ? 0 : 1);
  }
  ::close(pipe_ends[1]);
  OpenCost cost;
  if (child < 0 || ::read(pipe_ends[0], &cost, sizeof cost) != sizeof cost) cost = {};
  ::close(pipe_ends[0]);
  if (child > 0) ::waitpid(child, nullptr, 0);
  return cost;
}

}  // namespace zeb::bench
