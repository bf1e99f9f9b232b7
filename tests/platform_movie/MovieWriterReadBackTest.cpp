// Movies written from synthetic samples and read back by our own parser:
// every sample's bytes, timing, display offset, sync flag and description
// must come back as given, and chunks must follow the interleaving rule.
#include <gtest/gtest.h>

#include <algorithm>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/movie/FourCC.h"
#include "platform/movie/Movie.h"
#include "platform/movie/MovieWriter.h"
#include "tests/support/MovieBytes.h"
#include "tests/support/MovieWriting.h"

namespace zeb::movie::test {
namespace {

constexpr size_t kVideo = 0;  // track slots of a case
constexpr size_t kSound = 1;

// One AddMediaSample2 call.
struct Unit {
  size_t track;
  uint32_t size;   // bytes
  uint32_t count;  // samples in the call
  uint32_t duration;
  int32_t displayOffset;
  bool sync;
  int description;  // 0 or 1: which of the track's two descriptions
};

struct ReadBackCase {
  const char* name;
  std::vector<Unit> units;
  std::vector<uint32_t> chunkCounts;  // per track with samples
};

Unit Frame(uint32_t size, int32_t offset, bool sync, int description = 0) {
  return {kVideo, size, 1, 1001, offset, sync, description};
}
Unit Pcm(uint32_t frames) { return {kSound, frames * 4, frames, 1, 0, true, 0}; }

std::vector<Unit> Repeat(const std::vector<Unit>& pattern, int times) {
  std::vector<Unit> units;
  for (int i = 0; i < times; ++i) units.insert(units.end(), pattern.begin(), pattern.end());
  return units;
}

// Sample bytes that differ between units, so lost or swapped data shows.
Bytes UnitBytes(size_t index, uint32_t size) {
  Bytes bytes(size);
  for (uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(index * 31 + i * 7 + 1);
  return bytes;
}

// File-order descriptions, two a track; the two differ in a header field
// and in an extension atom.
Bytes Description(size_t track, int variant) {
  if (track == kSound) return SoundDescription(FourCC("sowt"), 1, 2, 16, 48000, {1, 2, 4, 2});
  return ImageDescription(
      FourCC("avc1"), static_cast<uint16_t>(160 + variant), 120,
      Bytes{0, 0, 0, 12, 'x', 't', 'r', 'a', 1, 2, 3, static_cast<uint8_t>(variant)});
}

uint32_t MediaType(size_t track) { return track == kVideo ? FourCC("vide") : FourCC("soun"); }

Status WriteUnits(const std::string& path, const std::vector<Unit>& units) {
  TestMovie movie;
  ZEB_MOVIE_TRY(
      movie.Create(path, {{FourCC("vide"), 30000, 160 << 16, 120 << 16}, {FourCC("soun"), 48000}}));
  const NativeDescription descriptions[2][2] = {
      {{MediaType(kVideo), Description(kVideo, 0)}, {MediaType(kVideo), Description(kVideo, 1)}},
      {{MediaType(kSound), Description(kSound, 0)}, {MediaType(kSound), Description(kSound, 1)}}};
  int last_description[2] = {-1, -1};
  for (size_t i = 0; i < units.size(); ++i) {
    const Unit& unit = units[i];
    const Bytes bytes = UnitBytes(i, unit.size);
    // Like the system's writer, pass the description only when it changes.
    const bool changed = last_description[unit.track] != unit.description;
    last_description[unit.track] = unit.description;
    ZEB_MOVIE_TRY(movie.Writer().AddMediaSample2(
        movie.Media(unit.track), bytes.data(), unit.size, unit.duration, unit.displayOffset,
        changed ? descriptions[unit.track][unit.description].Get() : nullptr, unit.count,
        unit.sync ? 0 : kSampleNotSync, nullptr));
  }
  return movie.Finish();
}

// Reads the unit back as one request and compares everything the reader reports.
void ExpectUnit(const Media& media, const Unit& unit, int64_t decodeTime, const Bytes& expected) {
  Bytes bytes;
  SampleReadResult result;
  const Status read = ReadAt(media, decodeTime, unit.count, result, bytes, unit.size);
  ASSERT_TRUE(read.IsOk()) << read.ToString();
  EXPECT_EQ(result.sampleCount, unit.count);
  EXPECT_EQ(result.decodeTime, decodeTime);
  EXPECT_EQ(result.decodeDuration, unit.duration);
  EXPECT_EQ(result.displayOffset, unit.displayOffset);
  EXPECT_EQ(result.flags, unit.sync ? 0 : kSampleNotSync);
  EXPECT_EQ(result.descriptionIndex, static_cast<uint32_t>(unit.description + 1));
  EXPECT_TRUE(bytes == expected);
}

TEST(MovieWriterReadBack, SamplesComeBackAsWritten) {
  const ReadBackCase cases[] = {
      {"BFramesWithNegativeOffsets",
       Repeat({Frame(900, 1001, true), Frame(90, -1001, false), Frame(80, 0, false),
               Frame(300, 2002, false)},
              3),
       {1, 0}},
      {"HalfSecondChunksWithoutInterleave",
       Repeat({Frame(50, 0, true), Frame(40, 0, false)}, 20),
       {3, 0}},
      {"AlternatingTracksGiveAChunkPerUnit",
       Repeat({Frame(700, 0, true), Pcm(1602), Frame(60, 0, false), Pcm(1601)}, 4),
       {8, 8}},
      {"SoundRunsJoinUntilHalfASecond", Repeat({Pcm(4800)}, 12), {0, 3}},
      {"DescriptionChangeStartsAChunk",
       {Frame(10, 0, true), Frame(11, 0, false), Frame(12, 0, true, 1), Frame(13, 0, false, 1),
        Frame(14, 0, true)},
       {3, 0}},
  };
  const std::string path = OutputPath("read_back.mov");
  for (const ReadBackCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Status written = WriteUnits(path, c.units);
    ASSERT_TRUE(written.IsOk()) << written.ToString();

    std::unique_ptr<Movie> movie;
    const Status opened = Movie::Open(path, movie);
    ASSERT_TRUE(opened.IsOk()) << opened.ToString();
    // Tracks without samples are left out of the movie; the others keep their order.
    std::vector<size_t> present;
    for (size_t track : {kVideo, kSound}) {
      if (c.chunkCounts[track] > 0) present.push_back(track);
    }
    const auto numberOf = [&present](size_t track) {
      return static_cast<uint32_t>(std::find(present.begin(), present.end(), track) -
                                   present.begin());
    };
    ASSERT_EQ(movie->TrackCount(), present.size());
    int64_t decode_time[2] = {0, 0};
    uint64_t samples[2] = {0, 0};
    for (size_t i = 0; i < c.units.size(); ++i) {
      SCOPED_TRACE("unit " + std::to_string(i));
      const Unit& unit = c.units[i];
      ExpectUnit(movie->GetTrack(numberOf(unit.track) + 1)->GetMedia(), unit,
                 decode_time[unit.track], UnitBytes(i, unit.size));
      decode_time[unit.track] += int64_t{unit.count} * unit.duration;
      samples[unit.track] += unit.count;
    }
    const std::vector<Bytes> chunk_tables =
        AtomPayloads(MoovBytes(path), "moov/trak/mdia/minf/stbl/stco");
    ASSERT_EQ(chunk_tables.size(), present.size());
    for (size_t track : present) {
      SCOPED_TRACE("track " + std::to_string(track));
      const Media& media = movie->GetTrack(numberOf(track) + 1)->GetMedia();
      EXPECT_EQ(media.SampleCount(), samples[track]);
      EXPECT_EQ(media.Duration(), static_cast<uint64_t>(decode_time[track]));
      EXPECT_EQ(BigEndian(chunk_tables[numberOf(track)], 4), c.chunkCounts[track]);
      for (uint32_t index = 1; index <= media.SampleDescriptionCount(); ++index) {
        Bytes description;
        ASSERT_TRUE(DescriptionOf(media, index, description).IsOk());
        EXPECT_EQ(description, NativeDescription(MediaType(track),
                                                 Description(track, static_cast<int>(index - 1)))
                                   .Native());
      }
    }
  }
}

// Packet numbers handed from the producer to the writer thread; -1 ends it.
class JobQueue {
 public:
  explicit JobQueue(size_t depth) : depth_(depth) {}

  void Push(long job) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return jobs_.size() < depth_; });
    jobs_.push_back(job);
    changed_.notify_all();
  }
  long Pop() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !jobs_.empty(); });
    const long job = jobs_.front();
    jobs_.pop_front();
    changed_.notify_all();
    return job;
  }

 private:
  const size_t depth_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<long> jobs_;
};

// Movies copied sample by sample through MovieWriter carry their source's
// packets and descriptions. As in the system's writer, the samples are added
// on a writer thread fed through a ring of jobs, and the movie is finished on
// the first thread once the writer thread has ended.
TEST(MovieWriterThreads, CopiedMovieHasTheSourcePackets) {
  const std::pair<const char*, size_t> cases[] = {{"avc1_bframes.mov", 1},
                                                  {"avc1_pcm.mov", 52},
                                                  {"pcm_twos.mov", 1},
                                                  {"pcm_in24_be.mov", 52},
                                                  {"pcm_mixed_formats.mov", 1},
                                                  {"avc1_bframes_pcm_tracks.mov", 1},
                                                  {"avc1_bframes_pcm_tracks.mov", 52}};
  for (const auto& [fixture, ringDepth] : cases) {
    SCOPED_TRACE(testing::Message() << fixture << ", ring of " << ringDepth);
    const std::string source = Fixture(fixture);
    const std::string copy = OutputPath("copy_" + std::to_string(ringDepth) + "_" + fixture);
    MovieCopier copier(source);
    ASSERT_TRUE(copier.Open(copy).IsOk());
    JobQueue queue(ringDepth);
    Status added;
    std::thread writer([&] {
      for (long job = queue.Pop(); job >= 0; job = queue.Pop()) {
        if (added.IsOk()) added = copier.AddPacket(static_cast<size_t>(job));
      }
    });
    for (size_t i = 0; i < copier.PacketCount(); ++i) queue.Push(static_cast<long>(i));
    queue.Push(-1);
    writer.join();
    ASSERT_TRUE(added.IsOk()) << added.ToString();
    const Status finished = copier.Finish();
    ASSERT_TRUE(finished.IsOk()) << finished.ToString();
    ExpectSamePackets(source, copy);
  }
}

}  // namespace
}  // namespace zeb::movie::test
