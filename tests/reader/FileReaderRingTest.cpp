// The direct file reader with read-ahead: the producer thread fills a ring of
// 1 MiB blocks while the caller consumes them. Every delivered byte is
// compared with the file; the fake device tells which reads ran on the
// caller's thread (ring restarts) and which on the producer's.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "FileReaderFixtures.h"
#include "reader/CQTFileReader.h"
#include "tests/support/PageCache.h"
#include "zebplug/ZEBPlugResults.h"

namespace zeb::test {
namespace {

constexpr uint32_t kMiB = 1048576;
constexpr uint32_t kNoBuffering = CQTFileReader::kFileFlagNoBuffering;

void Open(CQTFileReader& reader, const fs::path& path) {
  ASSERT_EQ(reader.OpenFile(ToPath16(path).c_str(), kNoBuffering), ZEB_OK);
}

// A reader of the movie over `device` with a ring of `ringSize` bytes.
std::unique_ptr<CQTFileReader> OnDevice(FakeDevice& device, uint32_t ringSize) {
  auto reader = std::make_unique<CQTFileReader>(device.Services());
  Open(*reader, MoviePath());
  reader->EnableReadAhead(ringSize, 0);
  return reader;
}

TEST(FileReaderRing, SizeIsRoundedToWholeBlocksWithAFloorOfTwo) {
  struct Case {
    std::string name;
    uint32_t size, minimum;
    uint64_t ring;
  };
  const std::vector<Case> cases = {
      {"zero changes nothing", 0, 0, 0},
      {"100 bytes", 100, 0, 2 * kMiB},
      {"the reader's default, 1 MiB", kMiB, 0, 2 * kMiB},
      {"1.5 MiB", kMiB + kMiB / 2, 0, 2 * kMiB},
      {"3 MiB + 1", 3 * kMiB + 1, 0, 4 * kMiB},
      {"below the minimum doubles it", 100, 3 * kMiB, 6 * kMiB},
      {"at the minimum stays", 5 * kMiB, 5 * kMiB, 5 * kMiB},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CQTFileReader reader;
    Open(reader, MoviePath());
    reader.EnableReadAhead(c.size, c.minimum);
    EXPECT_EQ(reader.IsReadAheadActive(), c.ring != 0);
    EXPECT_EQ(reader.GetRingSize(), c.ring);
  }
  CQTFileReader closed;
  closed.EnableReadAhead(kMiB, 0);
  EXPECT_FALSE(closed.IsReadAheadActive());
}

// Read patterns around the 1 MiB blocks, front to back. After the first
// restart every block but the head is free, so the producer's reads take as
// many adjacent blocks as one read may: (blocks - 1) / 2, from 1 to 4. On the
// fake device reads run one at a time; the movie itself is read too, with
// several reads in flight over io_uring and over the pread fallback.
TEST(FileReaderRing, SequentialReadsDeliverTheWholeFileInFewDeviceReads) {
  // oneRestart: the producer alone serves every read after the first restart.
  struct Case {
    uint32_t ringSize;
    std::vector<uint32_t> lengths;
    uint64_t largestRead;
    bool oneRestart;
  };
  const Case cases[] = {
      {2 * kMiB, {250000}, kMiB, true},     {3 * kMiB, {250000}, kMiB, true},
      {6 * kMiB, {250000}, 2 * kMiB, true}, {16 * kMiB, {250000}, 4 * kMiB, true},
      {kMiB, {4096}, kMiB, false},          {3 * kMiB, {1000, 77777, 1, 333333}, kMiB, false},
      {4 * kMiB, {kMiB}, kMiB, false},      {16 * kMiB, {2 * kMiB + kMiB / 2}, 4 * kMiB, false}};
  // Then one read at the end: nothing, and no hang.
  auto readToTheEnd = [](CQTFileReader& reader, const Case& c, const std::function<void()>& atEnd) {
    reader.Seek(0, CQTFileReader::kFromStart);
    uint64_t position = 0;
    for (size_t i = 0; position < MovieBytes().size(); ++i) {
      const uint32_t length = c.lengths[i % c.lengths.size()];
      ExpectRead(reader, position, length);
      position = std::min<uint64_t>(position + length, MovieBytes().size());
    }
    atEnd();
    ExpectRead(reader, position, 10);
    EXPECT_EQ(reader.Seek(0, CQTFileReader::kFromCurrent), MovieBytes().size());
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("ring " + std::to_string(c.ringSize) + " first length " +
                 std::to_string(c.lengths[0]));
    FakeDevice device;
    readToTheEnd(*OnDevice(device, c.ringSize), c, [&] {
      EXPECT_EQ(device.largestRead, c.largestRead);
      if (c.oneRestart) {
        EXPECT_EQ(device.callerThreadCalls, 1u);
      }
    });
    ForEachReadEngine([&] {
      CQTFileReader reader;
      Open(reader, MoviePath());
      reader.EnableReadAhead(c.ringSize, 0);
      readToTheEnd(reader, c, [] {});
    });
  }
}

TEST(FileReaderRing, OnlyReadsOutsideTheHeadBlockRestart) {
  FakeDevice device;
  const auto ring = OnDevice(device, 3 * kMiB);
  CQTFileReader& reader = *ring;
  // restarts: synchronous reads on the caller's thread; -1 where the count of
  // device calls at the end of the file is not the point.
  struct Step {
    std::string name;
    uint64_t seekTo;
    uint32_t length;
    int restarts;
  };
  const std::vector<Step> steps = {
      {"first read restarts", 0, kMiB, 1},
      {"inside the head", 500, 100, 0},
      {"last byte of the head", kMiB - 1, 1, 0},
      {"exactly at the head's end", kMiB, 1, 1},
      {"behind the new head", kMiB - 1, 1, 1},
      {"far ahead", 5 * kMiB + 3, 4096, 1},
      {"past the end", MovieBytes().size() + 1, 10, -1},
      {"past the end again", MovieBytes().size() + 1, 10, -1},
      {"back at the start", 0, 10, 1},
      {"and on from there", 10, 2 * kMiB, 0},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    const uint64_t before = device.callerThreadCalls;
    reader.Seek(s.seekTo, CQTFileReader::kFromStart);
    ExpectRead(reader, s.seekTo, s.length);
    if (s.restarts >= 0) {
      EXPECT_EQ(device.callerThreadCalls - before, uint64_t(s.restarts));
    }
  }
}

TEST(FileReaderRing, EnablingTheSameSizeAgainKeepsTheRing) {
  FakeDevice device;
  const auto ring = OnDevice(device, kMiB);
  CQTFileReader& reader = *ring;
  reader.Seek(0, CQTFileReader::kFromStart);
  ExpectRead(reader, 0, 1000);
  EXPECT_EQ(device.callerThreadCalls, 1u);

  reader.EnableReadAhead(kMiB, 0);
  reader.EnableReadAhead(0, 0);
  reader.EnableReadAhead(2 * kMiB, 0);  // the same two blocks
  ExpectRead(reader, 1000, 1000);
  EXPECT_EQ(device.callerThreadCalls, 1u);

  reader.EnableReadAhead(3 * kMiB, 0);  // a new ring starts empty
  EXPECT_EQ(reader.GetRingSize(), 3u * kMiB);
  ExpectRead(reader, 2000, 1000);
  EXPECT_EQ(device.callerThreadCalls, 2u);
}

TEST(FileReaderRing, StopReturnsWhileTheProducerWaits) {
  struct Case {
    std::string name;
    uint64_t primeAt, producerReads;
  };
  const std::vector<Case> cases = {
      // Three blocks: after the restart the producer fills two, one at a
      // time, and waits for the head.
      {"waiting for a free block", 0, 2},
      // Nothing past the end: the producer stays parked on its free event.
      {"parked after an empty restart", MovieBytes().size() + kMiB, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDevice device;
    const auto ring = OnDevice(device, 3 * kMiB);
    CQTFileReader& reader = *ring;
    reader.Seek(c.primeAt, CQTFileReader::kFromStart);
    ExpectRead(reader, c.primeAt, 1);
    while (device.calls - device.callerThreadCalls < c.producerReads) std::this_thread::yield();
    reader.StopReadAhead();
    EXPECT_FALSE(reader.IsReadAheadActive());
    EXPECT_EQ(reader.GetRingSize(), 0u);
    EXPECT_EQ(device.calls - device.callerThreadCalls, c.producerReads);
    // Without the ring, reading goes on from the caller's position.
    reader.Seek(100, CQTFileReader::kFromStart);
    ExpectRead(reader, 100, 5000);
    ExpectRead(reader, 5100, 5000);
  }
}

TEST(FileReaderRing, TogglingMidStreamLosesNoByte) {
  CQTFileReader reader;
  Open(reader, MoviePath());
  const uint32_t sizes[] = {0, kMiB, 0, 3 * kMiB, 2 * kMiB, 0, 4 * kMiB};
  uint64_t position = 0;
  for (size_t i = 0; position < MovieBytes().size(); ++i) {
    if (i % 3 == 0) {
      const uint32_t size = sizes[(i / 3) % std::size(sizes)];
      if (size == 0)
        reader.StopReadAhead();
      else
        reader.EnableReadAhead(size, 0);
    }
    ExpectRead(reader, position, 300001);
    position = std::min<uint64_t>(position + 300001, MovieBytes().size());
  }
}

// A frame of a block or more goes straight into the caller's buffer (the
// device writes into it) when its offset, length and address suit unbuffered
// reads and the head block does not hold it; otherwise the ring serves it.
// Without read-ahead every aligned read goes straight. The movie itself gives
// the same bytes over io_uring and over the pread fallback.
TEST(FileReaderRing, WholeFramesGoStraightIntoAnAlignedDestination) {
  const uint64_t size = MovieBytes().size();
  CQTFileReader probe;
  Open(probe, MoviePath());
  const uint64_t s = probe.GetSectorSize();
  const uint64_t at = 5 * kMiB + 7 * s;
  const auto frame = static_cast<uint32_t>(2 * kMiB + 3 * s);
  struct Case {
    std::string name;
    uint64_t offset;
    uint32_t length;
    Destination destination;
    bool straight;             // with read-ahead
    bool straightWithoutRing;  // without
  };
  const std::vector<Case> cases = {
      {"aligned frame, aligned buffer", at, frame, Destination::kAligned, true, true},
      {"aligned frame, misaligned buffer", at, frame, Destination::kMisaligned, false, false},
      {"frame at an odd offset", at + 36, frame, Destination::kAligned, false, false},
      {"odd length", at, frame + 1, Destination::kAligned, false, false},
      {"aligned, under a block", at, static_cast<uint32_t>(64 * s), Destination::kAligned, false,
       true},
      {"aligned, across the end of the file", (size - kMiB) / s * s, 2 * kMiB,
       Destination::kAligned, true, true},
  };
  for (const uint32_t ringSize : {0u, 16 * kMiB}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name + ", ring " + std::to_string(ringSize));
      FakeDevice device;
      const auto reader = OnDevice(device, ringSize);
      reader->Seek(c.offset, CQTFileReader::kFromStart);
      const uint8_t* destination = ExpectRead(*reader, c.offset, c.length, c.destination);
      const auto* last = static_cast<const uint8_t*>(device.lastCallerDest.load());
      const bool straight = last >= destination && last < destination + c.length;
      EXPECT_EQ(straight, ringSize == 0 ? c.straightWithoutRing : c.straight);
      ForEachReadEngine([&] {
        CQTFileReader onDisk;
        Open(onDisk, MoviePath());
        onDisk.EnableReadAhead(ringSize, 0);
        onDisk.Seek(c.offset, CQTFileReader::kFromStart);
        ExpectRead(onDisk, c.offset, c.length, c.destination);
      });
    }
  }
}

// Random seeks and lengths, with a bias to block boundaries and the end of
// the file, where hand-offs and restarts meet, and frames of a block or more
// that suit unbuffered reads, read straight into an aligned destination.
// Returns the bytes the reader took from the page cache.
uint64_t SeekStorm(const fs::path& path, uint32_t ringSize, unsigned seed) {
  std::mt19937 random(seed);
  const uint64_t size = MovieBytes().size();
  CQTFileReader reader;
  Open(reader, path);
  reader.EnableReadAhead(ringSize, 0);
  const uint64_t sector = reader.GetSectorSize();
  uint64_t position = 0;
  for (int i = 0; i < 300; ++i) {
    Destination destination = Destination::kMisaligned;
    uint32_t length = random() % 4 == 0 ? random() % (3 * kMiB) : random() % 70000;
    switch (random() % 5) {
      case 0:
        position = random() % (size + 2 * kMiB);
        break;
      case 1:
        position = (random() % 8) * kMiB + (random() % 3) - 1;
        break;
      case 2:
        position = size - random() % 5000;
        break;
      case 3:
        position = random() % size / sector * sector;
        length = static_cast<uint32_t>((kMiB + random() % (2 * kMiB)) / sector * sector);
        destination = Destination::kAligned;
        break;
      default:
        break;  // go on from where the last read ended
    }
    if (position != reader.Seek(0, CQTFileReader::kFromCurrent)) {
      EXPECT_EQ(reader.Seek(position, CQTFileReader::kFromStart), position);
    }
    ExpectRead(reader, position, length, destination);
    if (position < size) position = std::min<uint64_t>(position + length, size);
  }
  return reader.GetBytesFromCache();
}

// On disk cold, on disk with the second half of the movie in the page cache
// (whose pages serve reads and stay as they were), and on tmpfs; over
// io_uring and over the pread fallback.
TEST(FileReaderRing, SeekStorm) {
  MovieCopy onTmpfs("/dev/shm");
  MovieCopy halfCached(MoviePath().parent_path());
  const uint64_t half = MovieBytes().size() / 2;
  ForEachReadEngine([&] {
    DropFromPageCache(MoviePath());
    SeekStorm(MoviePath(), kMiB, 1);
    SeekStorm(MoviePath(), 4 * kMiB, 2);
    DropFromPageCache(halfCached.path());
    const PinnedPages secondHalf(halfCached.path(), half, MovieBytes().size() - half);
    const std::vector<bool> cached = CachedPages(halfCached.path());
    EXPECT_GT(SeekStorm(halfCached.path(), 16 * kMiB, 3), 0u);
    const PageCacheChange change = CompareCachedPages(cached, CachedPages(halfCached.path()));
    EXPECT_EQ(change.cameIn, 0u) << "first changed page " << change.firstChanged;
    EXPECT_EQ(change.left, 0u) << "first changed page " << change.firstChanged;
    SeekStorm(onTmpfs.path(), 2 * kMiB, 4);
  });
}

// Without the ring (0), with one block a read (3 MiB) and with two (16 MiB).
TEST(FileReaderRing, DeviceFaultsEndTheStreamWhereTheDataEnds) {
  struct Case {
    std::string name;
    uint64_t piece, interruptEvery, failFrom, endAt, overstate = 0;
  };
  const std::vector<Case> cases = {
      {"pieces of 1000 bytes", 1000, 0, UINT64_MAX, UINT64_MAX},
      {"interrupted every third call", 0, 3, UINT64_MAX, UINT64_MAX},
      {"fails inside a block", 0, 0, 2 * kMiB + 12345, UINT64_MAX},
      {"fails at a block boundary", 0, 0, 3 * kMiB, UINT64_MAX},
      {"data ends inside the second block", 4096, 0, UINT64_MAX, kMiB + 999},
      // With 16 MiB of ring the producer reads blocks 1-2, 3-4, 5-6, ...
      {"fails in the second block of a two-block read", 0, 0, 6 * kMiB + 5, UINT64_MAX},
      {"data ends in the second block of a two-block read", 0, 0, UINT64_MAX, 4 * kMiB + 999},
      {"claims 100 bytes more than it delivered", 0, 0, UINT64_MAX, UINT64_MAX, 100},
  };
  for (uint32_t ringSize : {0u, 3 * kMiB, 16 * kMiB}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name + " ring " + std::to_string(ringSize));
      FakeDevice device{c.piece, c.interruptEvery, c.failFrom, c.endAt, c.overstate};
      const auto ring = OnDevice(device, ringSize);
      CQTFileReader& reader = *ring;
      for (int pass = 0; pass < 2; ++pass) {  // the second pass proves the reader recovers
        reader.Seek(0, CQTFileReader::kFromStart);
        uint64_t position = 0;
        for (int i = 0; i < 60; ++i) {
          const uint32_t length = 150001;
          std::vector<uint8_t> buffer(length);
          const uint32_t got = reader.Read(buffer.data(), length);
          ASSERT_EQ(got, device.Deliverable(position, length)) << "at " << position;
          ASSERT_EQ(std::memcmp(buffer.data(), MovieBytes().data() + position, got), 0);
          position += got;
        }
      }
    }
  }
}

}  // namespace
}  // namespace zeb::test
