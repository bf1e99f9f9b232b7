// Movies, the page cache and the clock for the reader benchmark.
#pragma once

#include <functional>
#include <string>

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

}  // namespace zeb::bench
