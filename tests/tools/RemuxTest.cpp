// zebqt remux: every reader fixture the writer can carry goes through the
// reader family and back out through the muxer family, and the ffprobe tool
// finds the same samples, timing, sync flags and display order in the copy.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Ffprobe.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Shell.h"
#include "tests/tools/ZebqtRun.h"

namespace zeb::test {
namespace {

std::string Scratch(const std::string& name) { return zeb::test::Scratch("remux", name); }

const ProbeStream* StreamOfType(const ProbeResult& probe, const std::string& type) {
  for (const auto& stream : probe.streams) {
    if (stream.codecType == type) return &stream;
  }
  return nullptr;
}

std::vector<ProbePacket> PacketsOfType(const ProbeResult& probe, const std::string& type) {
  const auto* stream = StreamOfType(probe, type);
  return stream != nullptr ? probe.PacketsOf(stream->index) : std::vector<ProbePacket>{};
}

// Each packet's rank when the packets are sorted by presentation time.
std::vector<size_t> DisplayRanks(const std::vector<ProbePacket>& packets) {
  std::vector<size_t> order(packets.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return packets[a].pts < packets[b].pts; });
  std::vector<size_t> ranks(packets.size());
  for (size_t rank = 0; rank < order.size(); ++rank) ranks[order[rank]] = rank;
  return ranks;
}

// Same bytes, durations (in seconds: the time scales differ), sync flags
// and display order.
void ExpectSameVideo(const ProbeResult& source, const ProbeResult& copy, const std::string& what) {
  const auto ours = PacketsOfType(copy, "video");
  const auto theirs = PacketsOfType(source, "video");
  ASSERT_EQ(ours.size(), theirs.size()) << what;
  if (theirs.empty()) return;
  const uint64_t ourScale = StreamOfType(copy, "video")->timeBaseDen;
  const uint64_t theirScale = StreamOfType(source, "video")->timeBaseDen;
  for (size_t i = 0; i < ours.size(); ++i) {
    EXPECT_EQ(ours[i].sha256, theirs[i].sha256) << what << " frame " << i;
    EXPECT_EQ(ours[i].duration * theirScale, theirs[i].duration * ourScale)
        << what << " frame " << i;
    EXPECT_EQ(ours[i].key, theirs[i].key) << what << " frame " << i;
  }
  EXPECT_EQ(DisplayRanks(ours), DisplayRanks(theirs)) << what;
}

// The first audio stream as ffmpeg writes it with `output` options: decoded
// to doubles ("-f f64le", equal whatever the stored byte order) or its
// stored bytes packet after packet ("-c copy -f data").
std::vector<uint8_t> AudioBytes(const std::string& movie, const std::string& output) {
  const std::string raw = Scratch("audio.raw");
  const auto run =
      Execute("ffmpeg -v error -y -i " + Quote(movie) + " -map 0:a:0 " + output + " " + Quote(raw));
  EXPECT_EQ(run.exitCode, 0) << run.output;
  auto bytes = ReadFile(raw);
  std::remove(raw.c_str());
  return bytes;
}
constexpr char kDecoded[] = "-f f64le";
constexpr char kStored[] = "-c copy -f data";

// Sample counts of the copy's audio chunks in file order: audio packets
// whose bytes follow each other belong to one chunk.
std::vector<uint64_t> AudioChunkSamples(const ProbeResult& probe, uint64_t bytesPerSample) {
  std::vector<ProbePacket> packets = probe.packets;
  std::sort(packets.begin(), packets.end(),
            [](const ProbePacket& a, const ProbePacket& b) { return a.pos < b.pos; });
  const auto audio = PacketsOfType(probe, "audio");
  const int audioIndex = audio.empty() ? -1 : audio.front().streamIndex;
  std::vector<uint64_t> chunks;
  int64_t chunkEnd = -1;
  for (const ProbePacket& packet : packets) {
    if (packet.streamIndex != audioIndex) {
      chunkEnd = -1;
      continue;
    }
    if (packet.pos != chunkEnd) chunks.push_back(0);
    chunks.back() += packet.size / bytesPerSample;
    chunkEnd = packet.pos + static_cast<int64_t>(packet.size);
  }
  return chunks;
}

struct RemuxCase {
  const char* fixture;
  // Audio stored in the source's own code and byte order ('twos', 'sowt',
  // 'in24'...); otherwise only the decoded samples are equal.
  bool sameAudioBytes;
};

// Video codecs of the reader fixtures, PCM variants, and video beside PCM.
// MPEG IMX has its own test: the copy wraps each frame in a KLV item.
const RemuxCase kCases[] = {
    {"avc1_bframes.mov", true},   {"prores.mov", true},       {"dvvideo.mov", true},
    {"dnxhd.mov", true},          {"mpeg2_xd5c.mov", true},   {"mjpeg.mov", true},
    {"uyvy_2vuy.mov", true},      {"pcm_twos.mov", true},     {"pcm_sowt.mov", true},
    {"pcm_in24_be.mov", true},    {"pcm_in24_le.mov", false}, {"pcm_in32.mov", true},
    {"pcm_fl32.mov", true},       {"avc1_pcm.mov", true},     {"avc1_bframes_pcm_tracks.mov", true},
    {"mjpeg_pcm_ntsc.mov", true},
};

void RemuxEveryFixture(const std::string& flags) {
  for (const RemuxCase& c : kCases) {
    const std::string source = Fixture(c.fixture);
    const std::string copy = Scratch(std::string(c.fixture) + ".mov");
    const std::string what = std::string(c.fixture) + " " + flags;
    const auto run = Execute(kZebqt + " remux " + Quote(source) + " " + Quote(copy) + " " + flags);
    ASSERT_EQ(run.exitCode, 0) << what << "\n" << run.output;
    EXPECT_NE(run.output.find("remuxed "), std::string::npos) << run.output;

    const ProbeResult theirs = ProbeFile(source);
    const ProbeResult ours = ProbeFile(copy);
    ASSERT_TRUE(ours.ok) << what << ": " << ours.error;
    ExpectSameVideo(theirs, ours, what);
    if (!PacketsOfType(theirs, "audio").empty()) {
      if (c.sameAudioBytes) {
        EXPECT_TRUE(AudioBytes(copy, kStored) == AudioBytes(source, kStored)) << what;
      }
      EXPECT_TRUE(AudioBytes(copy, kDecoded) == AudioBytes(source, kDecoded)) << what;
    }
    std::remove(copy.c_str());
  }
}

TEST(Remux, EveryFixtureKeepsItsSamples) { RemuxEveryFixture(""); }

TEST(RemuxThreads, EveryFixtureKeepsItsSamplesWithTheWriterThread) {
  RemuxEveryFixture("--thread");
}

// MPEG IMX: the reader takes each frame out of its KLV item (zero-padded to
// the nominal D-10 size) and the writer puts it back in one. A bare frame
// (as ffmpeg stores 'mx5p') comes back behind the 20-byte KLV header; a
// wrapped frame of the nominal size comes back byte for byte.
TEST(Remux, ImxFramesComeBackInTheirKlvItem) {
  const std::string source = Fixture("mpeg2_mx5p.mov");
  const std::string wrapped = Scratch("imx-wrapped.mov");
  const std::string nominal = Scratch("imx-nominal.mov");
  const std::string again = Scratch("imx-again.mov");
  for (const auto& [from, to] :
       {std::pair{source, wrapped}, {wrapped, nominal}, {nominal, again}}) {
    const auto run = Execute(kZebqt + " remux " + Quote(from) + " " + Quote(to));
    ASSERT_EQ(run.exitCode, 0) << run.output;
  }
  const auto bare = PacketsOfType(ProbeFile(source), "video");
  const auto klv = PacketsOfType(ProbeFile(wrapped), "video");
  ASSERT_EQ(klv.size(), bare.size());
  const std::vector<uint8_t> bareBytes = ReadFile(source);
  const std::vector<uint8_t> klvBytes = ReadFile(wrapped);
  // The item's key and length are the writer's test's.
  for (size_t i = 0; i < bare.size(); ++i) {
    ASSERT_EQ(klv[i].size, bare[i].size + 20) << "frame " << i;
    const auto* item = klvBytes.data() + klv[i].pos;
    EXPECT_TRUE(std::equal(item + 20, item + klv[i].size, bareBytes.data() + bare[i].pos))
        << "frame " << i;
  }
  const auto first = PacketsOfType(ProbeFile(nominal), "video");
  const auto second = PacketsOfType(ProbeFile(again), "video");
  ASSERT_EQ(second.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].size, 250020u) << "frame " << i;
    EXPECT_EQ(second[i].sha256, first[i].sha256) << "frame " << i;
  }
  for (const std::string& path : {wrapped, nominal, again}) std::remove(path.c_str());
}

// PCM beside video is re-cut into one chunk per frame: 1602, 1601, 1602,
// 1601, 1602 samples at 48 kHz and 30000/1001 fps, 1920 at 25 fps.
TEST(Remux, AlignedAudioFollowsTheFrameCadence) {
  struct Cadence {
    const char* fixture;
    std::vector<uint64_t> cycle;
    uint64_t bytesPerSample;
  };
  const Cadence cadences[] = {
      {"mjpeg_pcm_ntsc.mov", {1602, 1601, 1602, 1601, 1602}, 4},
      {"avc1_pcm.mov", {1920}, 2},
  };
  for (const Cadence& c : cadences) {
    for (const std::string flags : {"--aligned", "--aligned --thread"}) {
      const std::string source = Fixture(c.fixture);
      const std::string copy = Scratch(std::string("aligned-") + c.fixture);
      const auto run =
          Execute(kZebqt + " remux " + Quote(source) + " " + Quote(copy) + " " + flags);
      ASSERT_EQ(run.exitCode, 0) << run.output;
      EXPECT_NE(run.output.find("aligned mode"), std::string::npos) << run.output;
      const auto chunks = AudioChunkSamples(ProbeFile(copy), c.bytesPerSample);
      ASSERT_GT(chunks.size(), 10u) << c.fixture;
      // The last chunk holds what is left.
      for (size_t i = 0; i + 1 < chunks.size(); ++i) {
        EXPECT_EQ(chunks[i], c.cycle[i % c.cycle.size()]) << c.fixture << " chunk " << i;
      }
      EXPECT_TRUE(AudioBytes(copy, kStored) == AudioBytes(source, kStored)) << c.fixture;
      std::remove(copy.c_str());
    }
  }
}

// A movie that cannot be written ends zebqt with a message and exit code 4,
// never a crash or a hang: a missing folder, and a file-size limit that
// stops the samples or the movie resource (SIGXFSZ ignored, so writes fail
// with EFBIG as on a full disk).
// What a full disk left behind recovers with `zebqt recover`: a movie ffprobe
// opens whose frames are the source's first ones, byte for byte.
void ExpectRecovers(const std::string& source, const std::string& leftover) {
  const std::string recovered = leftover + ".recovered.mov";
  const auto run = Execute(kZebqt + " recover " + Quote(leftover) + " " + Quote(recovered));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  // Killed after the movie was finished: it stands as written.
  const bool complete = run.output.find("closed normally") != std::string::npos;
  const ProbeResult theirs = ProbeFile(source);
  const ProbeResult ours = ProbeFile(complete ? leftover : recovered);
  ASSERT_TRUE(ours.ok) << ours.error;
  const auto ourFrames = PacketsOfType(ours, "video");
  const auto theirFrames = PacketsOfType(theirs, "video");
  ASSERT_FALSE(ourFrames.empty());
  ASSERT_LE(ourFrames.size(), theirFrames.size());
  for (size_t i = 0; i < ourFrames.size(); ++i) {
    EXPECT_EQ(ourFrames[i].sha256, theirFrames[i].sha256) << "frame " << i;
  }
  std::remove(recovered.c_str());
}

TEST(Remux, OutputFaultsEndWithAMessage) {
  const std::string source = Fixture("file_reader_mjpeg_pcm.mov");
  const std::string copy = Scratch("limited.mov");
  ASSERT_EQ(Execute(kZebqt + " remux " + Quote(source) + " " + Quote(copy)).exitCode, 0);
  const uint64_t fullSize = ReadFile(copy).size();
  std::remove(copy.c_str());

  // Run through `sh -c '...'`: the paths inside go in double quotes.
  auto inner = [](const std::string& path) { return "\"" + path + "\""; };
  auto limited = [&](uint64_t bytes, const std::string& flags) {
    // ulimit -f counts 512-byte blocks in the POSIX shell.
    return "trap \"\" XFSZ; ulimit -f " + std::to_string(bytes / 512) + "; exec timeout 120 " +
           kZebqt + " remux " + inner(source) + " " + inner(copy) + " " + flags;
  };
  struct Fault {
    std::string command, message;
    int exitCode = 4;
  };
  const std::vector<Fault> faults = {
      {kZebqt + " remux " + inner(source) + " /no/such/folder/out.mov",
       "zebqt: /no/such/folder/out.mov: no such folder: /no/such/folder (0x80000104)"},
      {limited(fullSize / 2, ""), "(is the disk full?)"},
      {limited(fullSize / 2, "--thread"), "(is the disk full?)"},
      {limited(fullSize - 1024, ""), "the movie could not be finished"},
      {limited(fullSize - 1024, "--thread"), "the movie could not be finished"},
      {kZebqt + " remux " + inner(Fixture("prores.mov")) + " " + inner(copy) + " --aligned",
       "--aligned needs a video stream beside PCM audio of at most two channels", 2},
  };
  for (size_t i = 0; i < faults.size(); ++i) {
    const auto run = Execute("sh -c " + Quote(faults[i].command));
    EXPECT_EQ(run.exitCode, faults[i].exitCode) << faults[i].command << "\n" << run.output;
    EXPECT_NE(run.output.find(faults[i].message), std::string::npos) << faults[i].command << "\n"
                                                                     << run.output;
    if (faults[i].command.find("ulimit") != std::string::npos) ExpectRecovers(source, copy);
    std::remove(copy.c_str());
    std::remove((copy + ".zebrec").c_str());
  }
}

// zebqt remux started as a child, killed with SIGKILL after `delay`; true
// when it had already finished.
bool RemuxKilledAfter(const std::string& source, const std::string& copy, const char* extra,
                      std::chrono::microseconds delay) {
  const pid_t child = fork();
  if (child == 0) {
    ::execl(kZebqt.c_str(), kZebqt.c_str(), "remux", source.c_str(), copy.c_str(), "--sync-every=0",
            extra, static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(delay);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status);
}

// A recording killed at random moments, through the ordinal table: each
// leftover recovers into the source's first frames, or says that nothing
// reached the disk and writes nothing.
TEST(RemuxRecovery, KilledRecordingsRecover) {
  std::mt19937 random(1206);
  int recovered = 0;
  const std::string source = Fixture("recording_avc1_pcm.mov");
  for (const char* mode : {"--json", "--thread"}) {
    const std::string copy = Scratch("killed.mov");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Execute(kZebqt + " remux " + Quote(source) + " " + Quote(copy)).exitCode, 0);
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    double stretch = 1.0;
    for (int round = 0; round < 26; ++round) {
      SCOPED_TRACE(std::string(mode) + " round " + std::to_string(round));
      std::remove(copy.c_str());
      std::remove((copy + ".zebrec").c_str());
      // The machine's load changes how far a recording gets in a given time:
      // kills that come too early stretch the next delays, too late shrink them.
      const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(
          whole * stretch * std::uniform_real_distribution<double>(0.1, 1.0)(random));
      if (RemuxKilledAfter(source, copy, mode, delay)) {
        stretch *= 0.7;
        continue;
      }
      const auto run = Execute(kZebqt + " recover " + Quote(copy) + " " + Quote(copy + ".r.mov"));
      // Killed before a sample (or the file) reached the disk: nothing to recover.
      if (run.output.find("no sample of the recording reached the disk") != std::string::npos ||
          run.output.find("No such file") != std::string::npos) {
        EXPECT_NE(run.exitCode, 0);
        stretch *= 1.5;
        continue;
      }
      ASSERT_EQ(run.exitCode, 0) << run.output;
      std::remove((copy + ".r.mov").c_str());
      ExpectRecovers(source, copy);
      ++recovered;
    }
    std::remove(copy.c_str());
    std::remove((copy + ".zebrec").c_str());
  }
  EXPECT_GT(recovered, 5);
}

}  // namespace
}  // namespace zeb::test
