// Movies, the page cache, the clock and the CPU clock for the reader benchmark.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zeb::bench {

// Makes `name` in `cacheDir` with the ffmpeg tool once; later runs reuse it.
// Empty when ffmpeg fails.
std::string CachedMovie(const std::string& cacheDir, const std::string& name,
                        const std::string& ffmpegArguments);

// Empties the page cache of `path`: all of it when the process may write
// /proc/sys/vm/drop_caches (root), else the file's own pages with
// posix_fadvise(DONTNEED). Returns which of the two it did.
std::string EvictFromCache(const std::string& path);

// Seconds that `work` takes on the steady clock.
double Seconds(const std::function<void()>& work);
// The best of `runs` timings of `work`.
double BestSeconds(int runs, const std::function<void()>& work);

// What one run of some work cost: wall-clock seconds and CPU seconds (user +
// system, every thread of this process plus the children it waited for).
struct Cost {
  double seconds = 0;
  double cpuSeconds = 0;
};
Cost Measure(const std::function<void()>& work);

double Median(std::vector<double> values);

}  // namespace zeb::bench
