// Recordings that stop without closing: a child process copies a real movie
// through the writer with its recovery journal and is killed with SIGKILL at
// many points (between samples, after the movie resource, at random times);
// each leftover must recover into a movie that ffprobe opens, holding
// exactly (or, with a sync interval, nearly) what was added, byte for byte,
// and decoding to the source's own pictures.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "platform/movie/MovieRecovery.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/Fixtures.h"
#include "tests/support/MovieWriting.h"
#include "tests/support/Shell.h"

namespace zeb::movie::test {
namespace {

enum class Stop { kAfterPackets, kBeforeMovieFileClosed, kNever };

struct KillPoint {
  size_t packets;
  Stop stop = Stop::kAfterPackets;
};

// Copies `packets` packets in a child, which then dies where `point` says.
void RecordInChild(MovieCopier& copier, const std::string& target, const RecoveryOptions& options,
                   const KillPoint& point) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!copier.Open(target, &options).IsOk()) _exit(2);
    for (size_t i = 0; i < point.packets; ++i) {
      if (!copier.AddPacket(i).IsOk()) _exit(3);
    }
    MovieWriter& writer = copier.Target().Writer();
    if (point.stop == Stop::kBeforeMovieFileClosed) {
      static_cast<void>(writer.InsertEveryMediaWhole());
      static_cast<void>(writer.AddMovieResource());
    }
    if (point.stop == Stop::kNever) _exit(copier.Finish().IsOk() ? 0 : 4);
    raise(SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  if (point.stop == Stop::kNever) {
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  } else {
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  }
}

// Video packets compared one by one; sound as the bytes in order.
struct Prefix {
  std::map<int, size_t> videoPackets;  // per stream
  std::map<int, Bytes> sound;
};

Prefix PrefixOf(const std::string& path, const zeb::test::ProbeResult& probe, size_t packets) {
  Prefix prefix;
  for (size_t i = 0; i < packets && i < probe.packets.size(); ++i) {
    const zeb::test::ProbePacket& packet = probe.packets[i];
    if (probe.streams[packet.streamIndex].codecType == "video") {
      ++prefix.videoPackets[packet.streamIndex];
    } else {
      const Bytes bytes = zeb::test::ReadFile(path, static_cast<uint64_t>(packet.pos), packet.size);
      Bytes& sound = prefix.sound[packet.streamIndex];
      sound.insert(sound.end(), bytes.begin(), bytes.end());
    }
  }
  return prefix;
}

// The (pts, picture digest) pairs ffmpeg decodes, edit lists ignored.
std::set<std::string> DecodedPictures(const std::string& path) {
  const zeb::test::CommandResult result =
      zeb::test::RunCommand("ffmpeg -v error -ignore_editlist 1 -i " + zeb::test::Quote(path) +
                            " -map 0:v:0 -f framemd5 - 2>/dev/null");
  std::set<std::string> pictures;
  std::istringstream lines(result.output);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    // stream, dts, pts, duration, size, hash: keep pts and hash
    std::vector<std::string> fields(6);
    std::istringstream parts(line);
    for (std::string& field : fields) std::getline(parts, field, ',');
    pictures.insert(fields[2] + fields[5]);
  }
  return pictures;
}

struct Expectation {
  Prefix added;           // what the child added before it died
  size_t videoSlack = 0;  // video packets the durability bound may cost
  bool decode = false;    // also compare decoded pictures
};

void ExpectRecovered(const std::string& source, const zeb::test::ProbeResult& sourceProbe,
                     const std::string& recovered, const Expectation& expected) {
  const zeb::test::ProbeResult probe = zeb::test::ProbeFile(recovered);
  ASSERT_TRUE(probe.ok) << probe.error;
  for (const auto& [stream, count] : expected.added.videoPackets) {
    const auto got = probe.PacketsOf(stream);
    const auto want = sourceProbe.PacketsOf(stream);
    ASSERT_LE(got.size(), count);
    ASSERT_GE(got.size() + expected.videoSlack, count);
    for (size_t i = 0; i < got.size(); ++i) {
      ASSERT_EQ(got[i].sha256, want[i].sha256) << "video packet " << i;
      ASSERT_EQ(got[i].key, want[i].key) << "video packet " << i;
    }
  }
  for (const auto& [stream, bytes] : expected.added.sound) {
    const Bytes got = PacketBytes(recovered, probe.PacketsOf(stream));
    ASSERT_LE(got.size(), bytes.size());
    if (expected.videoSlack == 0) {
      ASSERT_EQ(got.size(), bytes.size());
    }
    ASSERT_TRUE(std::equal(got.begin(), got.end(), bytes.begin())) << "sound of stream " << stream;
  }
  if (expected.decode) {
    const std::set<std::string> sourcePictures = DecodedPictures(source);
    for (const std::string& picture : DecodedPictures(recovered)) {
      ASSERT_TRUE(sourcePictures.count(picture))
          << "a picture the source does not have: " << picture;
    }
  }
}

TEST(MovieRecovery, EveryKillPointRecoversWhatWasAdded) {
  for (const char* fixture : {"avc1_pcm.mov", "avc1_bframes.mov"}) {
    SCOPED_TRACE(fixture);
    const std::string source = zeb::test::Fixture(fixture);
    MovieCopier copier(source);
    const zeb::test::ProbeResult& probe = copier.Probe();
    const size_t total = copier.PacketCount();
    ASSERT_GT(total, 20u);
    const std::string target = OutputPath(std::string("killed_") + fixture);
    const std::string recovered = OutputPath(std::string("recovered_") + fixture);

    std::vector<std::pair<KillPoint, RecoveryOptions>> points;
    const RecoveryOptions everySample{0, false};
    for (size_t k = 0; k <= total; k += std::max<size_t>(1, total / 20)) {
      points.push_back({{k}, everySample});
    }
    points.push_back({{total}, everySample});
    points.push_back({{total, Stop::kBeforeMovieFileClosed}, everySample});
    points.push_back({{total}, RecoveryOptions{1000, true}});
    for (size_t i = 0; i < points.size(); ++i) {
      const auto& [point, options] = points[i];
      SCOPED_TRACE("kill after " + std::to_string(point.packets) + " packets, point " +
                   std::to_string(i));
      std::filesystem::remove(recovered);
      RecordInChild(copier, target, options, point);
      RecoveryReport report;
      const Status status = RecoverMovie(target, recovered, report);
      if (point.packets == 0) {
        // Nothing was recorded: nothing to recover, and nothing is written.
        EXPECT_EQ(status.Code(), StatusCode::kNotFound) << status.ToString();
        EXPECT_FALSE(std::filesystem::exists(recovered));
        continue;
      }
      ASSERT_TRUE(status.IsOk()) << status.ToString();
      ASSERT_FALSE(report.alreadyComplete);
      Expectation expected;
      expected.added = PrefixOf(source, probe, point.packets);
      // One second of 25 fps video may be lost with a one-second interval.
      expected.videoSlack = options.syncIntervalMs == 0 ? 0 : 26;
      expected.decode = i % 5 == 0;
      ExpectRecovered(source, probe, recovered, expected);
      // The damaged file and its journal are left as they were.
      EXPECT_TRUE(std::filesystem::exists(RecoveryJournalPath(target)));
    }
  }
}

TEST(MovieRecovery, RandomKillsWhileRecording) {
  const std::string source = zeb::test::Fixture("avc1_pcm.mov");
  MovieCopier copier(source);
  const std::string target = OutputPath("random_kill.mov");
  const std::string recovered = OutputPath("random_kill_recovered.mov");
  const auto start = std::chrono::steady_clock::now();
  RecordInChild(copier, target, RecoveryOptions{0, false}, {copier.PacketCount(), Stop::kNever});
  const auto whole = std::chrono::steady_clock::now() - start;
  std::mt19937 random(20261206);
  for (int round = 0; round < 8; ++round) {
    const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(whole) *
                       std::uniform_real_distribution<double>(0.2, 1.0)(random);
    const pid_t recorder = fork();
    ASSERT_GE(recorder, 0);
    if (recorder == 0) {
      const RecoveryOptions options{0, false};
      if (!copier.Open(target, &options).IsOk()) _exit(2);
      for (size_t i = 0; i < copier.PacketCount(); ++i) static_cast<void>(copier.AddPacket(i));
      _exit(copier.Finish().IsOk() ? 0 : 4);
    }
    std::this_thread::sleep_for(delay);
    kill(recorder, SIGKILL);
    int status = 0;
    waitpid(recorder, &status, 0);
    RecoveryReport report;
    std::filesystem::remove(recovered);
    const Status recoveredStatus = RecoverMovie(target, recovered, report);
    if (recoveredStatus.Code() == StatusCode::kNotFound) {
      // Killed before a sample reached the disk.
      EXPECT_FALSE(std::filesystem::exists(recovered));
      continue;
    }
    ASSERT_TRUE(recoveredStatus.IsOk()) << recoveredStatus.ToString();
    if (report.alreadyComplete) continue;  // the child finished before the kill
    const zeb::test::ProbeResult probe = zeb::test::ProbeFile(recovered);
    ASSERT_TRUE(probe.ok) << probe.error;
    Expectation expected;
    expected.added = PrefixOf(source, copier.Probe(), copier.PacketCount());
    expected.videoSlack = copier.PacketCount();  // where it died is unknown; the bytes must match
    ExpectRecovered(source, copier.Probe(), recovered, expected);
  }
}

TEST(MovieRecovery, CompleteUnrecoverableAndDamagedJournals) {
  const std::string source = zeb::test::Fixture("avc1_pcm.mov");
  MovieCopier copier(source);
  const std::string target = OutputPath("journal_cases.mov");
  const std::string recovered = OutputPath("journal_cases_recovered.mov");
  const RecoveryOptions everySample{0, false};

  // A normal close leaves no journal, and recovery changes nothing.
  RecordInChild(copier, target, everySample, {copier.PacketCount(), Stop::kNever});
  EXPECT_FALSE(std::filesystem::exists(RecoveryJournalPath(target)));
  const std::string before = zeb::test::Sha256Hex(zeb::test::ReadFile(target));
  std::filesystem::remove(recovered);
  RecoveryReport report;
  ASSERT_TRUE(RecoverMovie(target, target, report).IsOk());
  EXPECT_TRUE(report.alreadyComplete);
  EXPECT_EQ(zeb::test::Sha256Hex(zeb::test::ReadFile(target)), before);

  // Neither a movie resource nor a journal: refused, nothing written.
  zeb::test::WriteFile(target, Bytes(4096, 0x11));
  EXPECT_EQ(RecoverMovie(target, recovered, report).Code(), StatusCode::kNotFound);
  EXPECT_FALSE(std::filesystem::exists(recovered));
  // Killed while creating its journal: part of the head at most, nothing to recover.
  for (const size_t headBytes : {size_t{0}, size_t{5}}) {
    zeb::test::WriteFile(RecoveryJournalPath(target),
                         Bytes(kJournalMagic.begin(), kJournalMagic.begin() + headBytes));
    EXPECT_EQ(RecoverMovie(target, recovered, report).Code(), StatusCode::kNotFound);
    EXPECT_FALSE(std::filesystem::exists(recovered));
  }

  // Journals cut short or with a flipped bit recover what precedes the damage.
  RecordInChild(copier, target, everySample, {copier.PacketCount()});
  const Bytes journal = zeb::test::ReadFile(RecoveryJournalPath(target));
  std::mt19937 random(7);
  for (int round = 0; round < 12; ++round) {
    Bytes damaged = journal;
    const size_t at = std::uniform_int_distribution<size_t>(0, journal.size() - 1)(random);
    if (round % 2 == 0) {
      damaged.resize(at);
    } else {
      damaged[at] ^= static_cast<uint8_t>(1u << (round % 8));
    }
    zeb::test::WriteFile(RecoveryJournalPath(target), damaged);
    std::filesystem::remove(recovered);
    const Status status = RecoverMovie(target, recovered, report);
    if (!status.IsOk()) {
      EXPECT_FALSE(std::filesystem::exists(recovered)) << status.ToString();
      continue;
    }
    Expectation expected;
    expected.added = PrefixOf(source, copier.Probe(), copier.PacketCount());
    expected.videoSlack = copier.PacketCount();
    ExpectRecovered(source, copier.Probe(), recovered, expected);
  }

  // In place: the file becomes the movie and the journal goes.
  zeb::test::WriteFile(RecoveryJournalPath(target), journal);
  ASSERT_TRUE(RecoverMovie(target, target, report).IsOk());
  EXPECT_FALSE(std::filesystem::exists(RecoveryJournalPath(target)));
  EXPECT_TRUE(zeb::test::ProbeFile(target).ok);
}

}  // namespace
}  // namespace zeb::movie::test
