// Opening movies with our parser against libavformat's avformat_open_input,
// which reads the same atoms and builds its own sample index. See
// docs/benchmarks.md for what each number means.
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include "bench/movie_open/BenchMovies.h"
#include "bench/movie_open/OpenCost.h"
#include "platform/movie/Movie.h"

namespace zeb::bench {
namespace {

constexpr uint32_t kTinyFrames = 1'000'000;
constexpr double kMaxTimeRatio = 1.0;            // (a) ours / libavformat
constexpr double kMaxMillionFrameSeconds = 0.5;  // (b)
constexpr double kMaxBytesPerSample = 32;        // (b)
// (c) heap bytes the 60-minute movie holds beyond the 10-minute one, per
// added sample: only the chunk-offset table (8 bytes a chunk) may grow.
constexpr double kMaxBytesPerAddedSample = 0.001;
constexpr double kAddedPcmSamples = 50.0 * 60 * 48000;

MovieOpener OurOpener(std::shared_ptr<std::unique_ptr<movie::Movie>> held) {
  return {[held](const std::string& path) { return movie::Movie::Open(path, *held).IsOk(); },
          [held] { held->reset(); }};
}

MovieOpener LibavformatOpener(std::shared_ptr<AVFormatContext*> context) {
  return {[context](const std::string& path) {
            *context = nullptr;
            return avformat_open_input(context.get(), path.c_str(), nullptr, nullptr) == 0;
          },
          [context] { avformat_close_input(context.get()); }};
}

struct Row {
  OpenCost ours;
  OpenCost lavf;
};

Row MeasureBoth(const char* label, const std::string& path, int runs) {
  Row row{MeasureOpen(OurOpener(std::make_shared<std::unique_ptr<movie::Movie>>()), path, runs),
          MeasureOpen(LibavformatOpener(std::make_shared<AVFormatContext*>(nullptr)), path, runs)};
  const auto mib = [](int64_t bytes) { return static_cast<double>(bytes) / (1 << 20); };
  std::printf("%-24s %9.2f %9.2f %6.2f %10.3f %10.3f %10.3f %10.3f%s\n", label,
              row.ours.seconds * 1e3, row.lavf.seconds * 1e3, row.ours.seconds / row.lavf.seconds,
              mib(row.ours.heapBytes), mib(row.lavf.heapBytes), mib(row.ours.peakHeapBytes),
              mib(row.lavf.peakHeapBytes), row.ours.ok && row.lavf.ok ? "" : "  (an open FAILED)");
  return row;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

}  // namespace
}  // namespace zeb::bench

int main(int argc, char** argv) {
  using namespace zeb::bench;
  const std::string cache = argc > 1 ? argv[1] : "bench-cache";
  ::mkdir(cache.c_str(), 0777);
  av_log_set_level(AV_LOG_ERROR);

  const std::string avc_pcm = MakeTwentyMinuteAvcPcm(cache);
  const std::string tiny = MakeTinyFrameMovie(cache, kTinyFrames);
  const std::string pcm10 = MakePcmMovie(cache, 10);
  const std::string pcm60 = MakePcmMovie(cache, 60);
  if (avc_pcm.empty() || tiny.empty() || pcm10.empty() || pcm60.empty()) {
    std::fprintf(stderr, "could not make the benchmark movies in %s\n", cache.c_str());
    return 1;
  }

  std::printf(
      "\nmovie open, ours against libavformat (fastest open of a cached file; MiB held while open; "
      "MiB peak during the open)\n");
  std::printf("%-24s %9s %9s %6s %10s %10s %10s %10s\n", "movie", "ours ms", "lavf ms", "ratio",
              "ours heap", "lavf heap", "ours peak", "lavf peak");
  const Row a = MeasureBoth("(a) avc1+PCM 20 min", avc_pcm, 15);
  const Row b = MeasureBoth("(b) 1,000,000 frames", tiny, 5);
  const Row c10 = MeasureBoth("(c) PCM 10 min", pcm10, 15);
  const Row c60 = MeasureBoth("(c) PCM 60 min", pcm60, 15);

  const double time_ratio = a.ours.seconds / a.lavf.seconds;
  const double bytes_per_sample = static_cast<double>(b.ours.heapBytes) / kTinyFrames;
  const auto per_added_sample = [](const OpenCost& shorter, const OpenCost& longer) {
    return static_cast<double>(longer.heapBytes - shorter.heapBytes) / kAddedPcmSamples;
  };
  const double growth = per_added_sample(c10.ours, c60.ours);
  std::printf("\n(a) open time ours / libavformat: %.2f (target <= %.1f): %s\n", time_ratio,
              kMaxTimeRatio, Verdict(a.ours.ok && time_ratio <= kMaxTimeRatio));
  std::printf("(b) open %.3f s (target < %.1f s), %.1f heap bytes a sample (target < %.0f): %s\n",
              b.ours.seconds, kMaxMillionFrameSeconds, bytes_per_sample, kMaxBytesPerSample,
              Verdict(b.ours.ok && b.ours.seconds < kMaxMillionFrameSeconds &&
                      bytes_per_sample < kMaxBytesPerSample));
  std::printf(
      "(c) heap held, 60 min against 10 min of PCM: %+.0f bytes, %.5f a sample added (target < "
      "%.3f; "
      "libavformat %.5f): %s\n",
      static_cast<double>(c60.ours.heapBytes - c10.ours.heapBytes), growth, kMaxBytesPerAddedSample,
      per_added_sample(c10.lavf, c60.lavf),
      Verdict(c10.ours.ok && c60.ours.ok && growth < kMaxBytesPerAddedSample));
  return 0;
}
