#include "bench/reader/BenchSupport.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace zeb::bench {

std::string CachedMovie(const std::string& cacheDir, const std::string& name,
                        const std::string& ffmpegArguments) {
  const std::string path = cacheDir + "/" + name;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && info.st_size > 0) return path;
  const std::string partial = path + ".part.mov";
  const std::string command =
      "ffmpeg -v error -y " + ffmpegArguments + " -fflags +bitexact '" + partial + "'";
  std::printf("making %s ...\n", name.c_str());
  std::fflush(stdout);
  if (std::system(command.c_str()) != 0 || std::rename(partial.c_str(), path.c_str()) != 0) {
    return {};
  }
  return path;
}

std::string EvictFromCache(const std::string& path) {
  ::sync();
  if (std::ofstream drop("/proc/sys/vm/drop_caches"); drop && (drop << "3\n") && drop.flush()) {
    return "drop_caches";
  }
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd >= 0) {
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
  }
  return "posix_fadvise(DONTNEED)";
}

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double BestSeconds(int runs, const std::function<void()>& work) {
  double best = Seconds(work);
  for (int i = 1; i < runs; ++i) best = std::min(best, Seconds(work));
  return best;
}

namespace {

double CpuSeconds(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double CpuSecondsSoFar() { return CpuSeconds(RUSAGE_SELF) + CpuSeconds(RUSAGE_CHILDREN); }

}  // namespace

Cost Measure(const std::function<void()>& work) {
  const double cpuBefore = CpuSecondsSoFar();
  const double seconds = Seconds(work);
  return {seconds, CpuSecondsSoFar() - cpuBefore};
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace zeb::bench
