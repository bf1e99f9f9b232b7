// The reader through the plug-in's ordinals against what a host would use
// instead: dd with direct I/O and libavformat for a cold sequential read of a
// large uncompressed movie, libavformat's packet loop for every frame of a
// long H.264 movie, and libavformat's open with stream probing. Every line
// prints a ratio against the reference measured in the same run.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "bench/reader/BenchSupport.h"
#include "bench/reader/LibavformatReader.h"
#include "bench/reader/PluginReader.h"

namespace zeb::bench {
namespace {

constexpr double kMiB = 1 << 20;
// The read-ahead a host for sequential playback or transcoding passes in
// word 4: 16 blocks of 1 MiB, enough for two HD frames and for reads of
// several blocks at once.
constexpr uint32_t kReadAheadBytes = 16u << 20;
constexpr int kColdRuns = 3;
constexpr double kMinDdRatio = 0.9;
constexpr double kMinLibavformatReadRatio = 1.6;
constexpr double kMinPacketRateRatio = 1.5;
constexpr double kMaxOpenRatio = 1.0;

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// Every frame of the open movie through ordinal 421; the bytes delivered.
uint64_t ReadAllFrames(PluginReader& reader) {
  uint64_t bytes = 0;
  const uint32_t frames = reader.FrameCount();
  for (uint32_t i = 0; i < frames; ++i) {
    uint8_t* data = nullptr;
    bytes += reader.ReadShared(i, &data);
  }
  return bytes;
}

uint64_t OpenAndReadAllFrames(PluginReader& reader, const std::string& path,
                              uint32_t readAheadBytes) {
  if (reader.Open(path) != 0) return 0;
  reader.SetReadAhead(true, readAheadBytes);
  return ReadAllFrames(reader);
}

// The fastest of kColdRuns runs of `work`, each after emptying the cache.
double BestColdSeconds(const std::string& movie, const std::function<void()>& work) {
  double best = 0;
  for (int run = 0; run < kColdRuns; ++run) {
    EvictFromCache(movie);
    const double seconds = Seconds(work);
    best = run == 0 ? seconds : std::min(best, seconds);
  }
  return best;
}

void ColdSequentialRead(PluginReader& reader, const std::string& cache) {
  const std::string movie = CachedMovie(cache, "uyvy_1080p_1600mb.mov",
                                        "-f lavfi -i testsrc2=size=1920x1080:rate=25 -frames:v 386 "
                                        "-c:v rawvideo -pix_fmt uyvy422");
  if (movie.empty()) return;
  uint64_t ours = 0, lavf = 0;
  const std::string eviction = EvictFromCache(movie);
  const double oursSeconds =
      BestColdSeconds(movie, [&] { ours = OpenAndReadAllFrames(reader, movie, kReadAheadBytes); });
  const double ddSeconds = BestColdSeconds(movie, [&] {
    const std::string dd = "dd if='" + movie + "' of=/dev/null iflag=direct bs=4M status=none";
    if (std::system(dd.c_str()) != 0) std::printf("dd failed\n");
  });
  const double lavfSeconds = BestColdSeconds(movie, [&] { lavf = ReadVideoPackets(movie).bytes; });
  const double oursRate = double(ours) / kMiB / oursSeconds;
  const double ddRate = double(ours) / kMiB / ddSeconds;
  const double lavfRate = double(lavf) / kMiB / lavfSeconds;
  std::printf(
      "\n== cold sequential read: 1080p '2vuy', %.0f MiB of frames, best of %d runs each, "
      "cache emptied by %s before each\n",
      double(ours) / kMiB, kColdRuns, eviction.c_str());
  std::printf("ours (421, direct, read-ahead %u MiB) %8.1f MiB/s\n", kReadAheadBytes >> 20,
              oursRate);
  std::printf(
      "dd iflag=direct bs=4M               %8.1f MiB/s   ours/dd   %5.2f  (target >= %.1f: %s)\n",
      ddRate, oursRate / ddRate, kMinDdRatio, Verdict(oursRate / ddRate >= kMinDdRatio));
  std::printf(
      "libavformat av_read_frame           %8.1f MiB/s   ours/lavf %5.2f  (target >= %.1f: %s)\n",
      lavfRate, oursRate / lavfRate, kMinLibavformatReadRatio,
      Verdict(oursRate / lavfRate >= kMinLibavformatReadRatio));
}

struct FrameRates {
  uint32_t frames = 0;
  double ours = 0;  // frames a second
  double lavf = 0;  // packets a second
};

// The best of three runs of each frame loop, both timed without their open.
FrameRates MeasureFrameRates(PluginReader& reader, const std::string& movie) {
  ReadVideoPackets(movie);  // warm the page cache
  FrameRates rates;
  double oursSeconds = 0;
  double lavfSeconds = 0;
  uint64_t packets = 0;
  for (int run = 0; run < 3; ++run) {
    if (reader.Open(movie) != 0) return rates;
    reader.SetReadAhead(true, kReadAheadBytes);
    rates.frames = reader.FrameCount();
    const double seconds = Seconds([&] { ReadAllFrames(reader); });
    oursSeconds = run == 0 ? seconds : std::min(oursSeconds, seconds);
    const PacketTotals totals = ReadVideoPackets(movie);
    packets = totals.packets;
    lavfSeconds = run == 0 ? totals.loopSeconds : std::min(lavfSeconds, totals.loopSeconds);
  }
  rates.ours = rates.frames / oursSeconds;
  rates.lavf = double(packets) / lavfSeconds;
  return rates;
}

void LongAvcMovie(PluginReader& reader, const std::string& cache) {
  const std::string movie =
      CachedMovie(cache, "avc1_320x240_20min_2997.mov",
                  "-f lavfi -i testsrc2=size=320x240:rate=30000/1001:duration=1200 "
                  "-c:v libx264 -preset ultrafast -bf 2 -g 250 -pix_fmt yuv420p");
  if (movie.empty()) return;
  // On disk the reader's unbuffered reads bypass the warm page cache and
  // go to the device; on tmpfs, which refuses unbuffered opens, it falls
  // back to cached reads, and the per-frame cost of both readers compares.
  const std::string inMemory = "/dev/shm/zeb_bench_reader_avc1.mov";
  std::filesystem::copy_file(movie, inMemory, std::filesystem::copy_options::overwrite_existing);
  for (const auto& [where, path] :
       {std::pair{"file on disk", movie}, std::pair{"file on tmpfs", inMemory}}) {
    const FrameRates rates = MeasureFrameRates(reader, path);
    std::printf(
        "\n== every frame of a 20-minute 320x240 avc1 movie (%u frames), warm cache, %s, opens "
        "apart\n",
        rates.frames, where);
    std::printf("ours (421, direct, read-ahead %u MiB) %8.0f frames/s\n", kReadAheadBytes >> 20,
                rates.ours);
    std::printf(
        "libavformat av_read_frame           %9.0f packets/s  ours/lavf %5.2f  (target >= %.1f: "
        "%s)\n",
        rates.lavf, rates.ours / rates.lavf, kMinPacketRateRatio,
        Verdict(rates.ours / rates.lavf >= kMinPacketRateRatio));
  }
  std::filesystem::remove(inMemory);

  const double oursOpen = BestSeconds(5, [&] { reader.Open(movie); });
  const double lavfOpen = BestSeconds(5, [&] { OpenAndFindStreamInfo(movie); });
  std::printf("\n== open of the same movie, warm cache\n");
  std::printf("ours (400 + 404)                    %9.2f ms\n", oursOpen * 1e3);
  std::printf(
      "libavformat open + find_stream_info %9.2f ms   ours/lavf %5.2f  (target <= %.1f: %s)\n",
      lavfOpen * 1e3, oursOpen / lavfOpen, kMaxOpenRatio,
      Verdict(oursOpen / lavfOpen <= kMaxOpenRatio));
}

}  // namespace
}  // namespace zeb::bench

int main(int argc, char** argv) {
  const std::string cache = argc > 1 ? argv[1] : ".";
  zeb::bench::PluginReader reader;
  if (!reader.loaded()) {
    std::fprintf(stderr, "cannot load libZEBPlugQuickTimeLibU.so beside this program\n");
    return 1;
  }
  zeb::bench::LongAvcMovie(reader, cache);
  zeb::bench::ColdSequentialRead(reader, cache);
  return 0;
}
