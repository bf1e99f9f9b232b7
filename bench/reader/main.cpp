// The reader through the plug-in's ordinals against what a host would use
// instead: dd with direct I/O and libavformat for a cold sequential read of a
// large uncompressed movie (beside a raw io_uring read: the device's
// ceiling), libavformat's packet loop for every frame of a long H.264 movie,
// and libavformat's open with stream probing. Every line prints a ratio
// against the reference measured in the same run.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/reader/BenchSupport.h"
#include "bench/reader/LibavformatReader.h"
#include "bench/reader/PluginReader.h"
#include "bench/reader/RawDirectRead.h"

namespace zeb::bench {
namespace {

constexpr double kMiB = 1 << 20;
// The read-ahead a host for sequential playback or transcoding passes in
// word 4: 16 blocks of 1 MiB, enough for two HD frames and for reads of
// several blocks at once.
constexpr uint32_t kReadAheadBytes = 16u << 20;
constexpr int kRounds = 3;
constexpr double kMinDdRatio = 0.9;
constexpr double kMaxCpuSecondsPerGB = 0.08;
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

// A copy of `source` whose frames start on 4096-byte boundaries, as capture
// tools that write for unbuffered reads lay them out: remuxed with 'moov' in
// front, and a title in it (one byte a character) padded so that 'mdat' data
// starts aligned.
std::string AlignedCopy(const std::string& cache, const std::string& source,
                        const std::string& name) {
  constexpr int64_t kAlignment = 4096;
  if (std::filesystem::exists(cache + "/" + name)) return cache + "/" + name;
  auto remux = [&](const std::string& as, size_t padding) {
    return CachedMovie(cache, as,
                       "-i '" + source + "' -map 0 -c copy -movflags +faststart -metadata title=" +
                           std::string(64 + padding, 'x'));
  };
  const std::string probe = remux(name + ".probe.mov", 0);
  const int64_t position = FirstVideoPacketPosition(probe);
  std::filesystem::remove(probe);
  if (position < 0) return {};
  const std::string aligned =
      remux(name, size_t((kAlignment - position % kAlignment) % kAlignment));
  if (FirstVideoPacketPosition(aligned) % kAlignment != 0)
    std::printf("%s: not aligned\n", name.c_str());
  return aligned;
}

// One reader of the cold read: what it runs and what each round cost.
struct ColdReader {
  std::string label;
  std::function<void()> read;
  std::vector<double> seconds = {};
  std::vector<double> cpuSeconds = {};
};

std::function<void()> DirectDd(const std::string& movie) {
  return [movie] {
    const std::string dd = "dd if='" + movie + "' of=/dev/null iflag=direct bs=4M status=none";
    if (std::system(dd.c_str()) != 0) std::printf("dd failed\n");
  };
}

// kRounds interleaved rounds of `readers`, the cache emptied before each
// read; prints medians against readers[0] (dd) and checks the rows named
// "ours". Rates count `frameBytes` for every reader.
// Returns the median seconds of each reader.
std::vector<double> ColdRounds(const std::string& title, const std::string& movie,
                               std::vector<ColdReader> readers, const uint64_t& frameBytes) {
  std::string eviction;
  for (int round = 0; round < kRounds; ++round) {
    for (ColdReader& cold : readers) {
      eviction = EvictFromCache(movie);
      const Cost cost = Measure(cold.read);
      cold.seconds.push_back(cost.seconds);
      cold.cpuSeconds.push_back(cost.cpuSeconds);
    }
  }
  const double gb = double(frameBytes) / 1e9;
  const double ddSeconds = Median(readers[0].seconds);
  std::printf(
      "\n== cold sequential read: %s, %.0f MiB of frames, median of %d interleaved rounds, "
      "cache emptied by %s before each read\n",
      title.c_str(), double(frameBytes) / kMiB, kRounds, eviction.c_str());
  std::printf("%-38s %9s %10s %8s\n", "", "MiB/s", "CPU s/GB", "x dd");
  for (const ColdReader& cold : readers) {
    const double seconds = Median(cold.seconds);
    const double cpu = Median(cold.cpuSeconds) / gb;
    std::printf("%-38s %9.1f %10.3f %8.2f", cold.label.c_str(), double(frameBytes) / kMiB / seconds,
                cpu, ddSeconds / seconds);
    if (cold.label.starts_with("ours")) {
      std::printf("  (targets >= %.1f x dd: %s; <= %.2f CPU s/GB: %s)", kMinDdRatio,
                  Verdict(ddSeconds / seconds >= kMinDdRatio), kMaxCpuSecondsPerGB,
                  Verdict(cpu <= kMaxCpuSecondsPerGB));
    }
    std::printf("\n");
  }
  std::vector<double> medians;
  for (const ColdReader& cold : readers) medians.push_back(Median(cold.seconds));
  return medians;
}

// The movie as ffmpeg writes it (frames 36 bytes past a sector boundary, so
// every frame is copied out of the ring) beside dd, libavformat and the raw
// io_uring ceiling; then its copy with 4096-aligned frames, which go straight
// into the shared buffer, beside dd on that copy.
void ColdSequentialRead(PluginReader& reader, const std::string& cache) {
  const std::string movie = CachedMovie(cache, "uyvy_1080p_1600mb.mov",
                                        "-f lavfi -i testsrc2=size=1920x1080:rate=25 -frames:v 386 "
                                        "-c:v rawvideo -pix_fmt uyvy422");
  if (movie.empty()) return;
  uint64_t frameBytes = 0;
  uint64_t lavfBytes = 0;
  const std::vector<double> seconds = ColdRounds(
      "1080p '2vuy' as ffmpeg writes it", movie,
      {{"dd iflag=direct bs=4M", DirectDd(movie)},
       {"libavformat av_read_frame", [&] { lavfBytes = ReadVideoPackets(movie).bytes; }},
       {"raw io_uring, 2 x 4 MiB in flight", [&] { ReadWithIoUring(movie, 4u << 20, 2); }},
       {"ours (421, read-ahead 16 MiB)",
        [&] { frameBytes = OpenAndReadAllFrames(reader, movie, kReadAheadBytes); }}},
      frameBytes);
  const double toLavf = seconds[1] / seconds[3];
  std::printf("ours x libavformat %.2f (target >= %.1f: %s)%s\n", toLavf, kMinLibavformatReadRatio,
              Verdict(toLavf >= kMinLibavformatReadRatio),
              lavfBytes == frameBytes ? "" : "; libavformat read other bytes");
  const std::string aligned = AlignedCopy(cache, movie, "uyvy_1080p_1600mb_aligned.mov");
  if (aligned.empty()) return;
  ColdRounds("the same frames 4096-aligned", aligned,
             {{"dd iflag=direct bs=4M", DirectDd(aligned)},
              {"ours (421, straight, no copy)",
               [&] { OpenAndReadAllFrames(reader, aligned, kReadAheadBytes); }}},
             frameBytes);
}

struct FrameRates {
  uint32_t frames = 0;
  double ours = 0;  // frames a second
  double lavf = 0;  // packets a second
};

// The median of kRounds interleaved runs of each frame loop, both timed
// without their open.
FrameRates MeasureFrameRates(PluginReader& reader, const std::string& movie) {
  ReadVideoPackets(movie);  // warm the page cache
  FrameRates rates;
  std::vector<double> oursSeconds;
  std::vector<double> lavfSeconds;
  uint64_t packets = 0;
  for (int round = 0; round < kRounds; ++round) {
    if (reader.Open(movie) != 0) return rates;
    reader.SetReadAhead(true, kReadAheadBytes);
    rates.frames = reader.FrameCount();
    oursSeconds.push_back(Seconds([&] { ReadAllFrames(reader); }));
    const PacketTotals totals = ReadVideoPackets(movie);
    packets = totals.packets;
    lavfSeconds.push_back(totals.loopSeconds);
  }
  rates.ours = rates.frames / Median(oursSeconds);
  rates.lavf = double(packets) / Median(lavfSeconds);
  return rates;
}

void LongAvcMovie(PluginReader& reader, const std::string& cache) {
  const std::string movie =
      CachedMovie(cache, "avc1_320x240_20min_2997.mov",
                  "-f lavfi -i testsrc2=size=320x240:rate=30000/1001:duration=1200 "
                  "-c:v libx264 -preset ultrafast -bf 2 -g 250 -pix_fmt yuv420p");
  if (movie.empty()) return;
  // On disk the reader's unbuffered file takes the warm pages from the page
  // cache; on tmpfs, which takes no unbuffered opens before Linux 6.6 and
  // enforces no alignment after, it reads the cache either way.
  const std::string inMemory = "/dev/shm/zeb_bench_reader_avc1.mov";
  std::filesystem::copy_file(movie, inMemory, std::filesystem::copy_options::overwrite_existing);
  for (const auto& [where, path] :
       {std::pair{"file on disk", movie}, std::pair{"file on tmpfs", inMemory}}) {
    const FrameRates rates = MeasureFrameRates(reader, path);
    std::printf(
        "\n== every frame of a 20-minute 320x240 avc1 movie (%u frames), warm cache, %s, opens "
        "apart, median of %d rounds\n",
        rates.frames, where, kRounds);
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
