// The layer under the direct file reader: reads in flight over io_uring and
// pread against the page cache, aligned buffers and drive types. Opening,
// aligned reads and device faults through File are the file reader's tests
// (tests/reader/FileReader*Test.cpp), which drive File with a faulty device.
#include "platform/sys/File.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/sys/AlignedBuffer.h"
#include "platform/sys/DriveType.h"
#include "platform/sys/ReadQueue.h"
#include "tests/support/PageCache.h"
#include "tests/support/Shell.h"

namespace zeb::sys {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

// A file of random bytes whose size is no multiple of any alignment, in a
// folder of the build tree (a real disk) or of /dev/shm (tmpfs).
class ScratchFile {
 public:
  ScratchFile(const fs::path& folder, std::size_t size)
      : path_(folder / ("zeb-file-test-" + std::to_string(getpid()) + ".bin")),
        bytes_(RandomBytes(size, 99)) {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(size));
  }
  ~ScratchFile() { fs::remove(path_); }
  const std::string path() const { return path_.string(); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  fs::path path_;
  std::vector<std::uint8_t> bytes_;
};

constexpr std::size_t kFileSize = 3 * 65536 + 777;

// Byte ranges of the file put into the page cache before reading it.
struct CacheState {
  std::string name;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> cached;  // offset, length
};

// Reads of one file through File::ReadAt and through a ReadQueue of depth 3,
// over io_uring and over the pread fallback, with the file cold, partly
// cached and all cached: the same bytes every time, every cached page taken
// from the cache, and no page brought into the cache by the reads themselves
// (a RWF_NOWAIT read that misses would start read-ahead).
TEST(ReadQueue, IoUringAndPreadGiveTheSameBytesWhateverTheCacheHolds) {
  ScratchFile scratch(fs::current_path(), kFileSize);
  constexpr std::uint64_t kHalf = 24 * 4096;
  const std::vector<CacheState> states = {
      {"cold", {}},
      {"first half", {{0, kHalf}}},
      {"second half", {{kHalf, kFileSize - kHalf}}},
      {"stripes", {{4096, 12288}, {40960, 8192}, {98304, 4096}, {180224, kFileSize - 180224}}},
      {"all", {{0, kFileSize}}},
  };
  File probe;
  ASSERT_TRUE(probe.OpenForReading(scratch.path(), OpenMode::kUnbuffered));
  const std::uint64_t unit = probe.alignment().offset;
  const std::uint64_t whole = (kFileSize + unit - 1) / unit * unit;
  // Some reads overlap, some cross the end of the file and one starts past
  // it. Each lands in a slice of its own.
  const std::vector<std::pair<std::uint64_t, std::size_t>> reads = {{0, 65536},
                                                                    {65536, 65536},
                                                                    {131072, 65536},
                                                                    {196608, 65536},
                                                                    {7 * unit, 3 * unit},
                                                                    {0, whole},
                                                                    {unit * 100, 20 * unit},
                                                                    {whole - unit, unit},
                                                                    {whole + unit, unit},
                                                                    {kHalf - unit, 2 * unit}};
  std::vector<std::size_t> slice;
  std::size_t total = 0;
  for (const auto& read : reads) {
    slice.push_back(total);
    total += read.second;
  }
  AlignedBuffer buffer;
  ASSERT_TRUE(buffer.Allocate(total, probe.alignment().memory));
  for (const bool refuse : {false, true}) {
    testing::RefuseIoUring(refuse);
    for (const auto& state : states) {
      SCOPED_TRACE(state.name + (refuse ? ", pread" : ", io_uring"));
      zeb::test::DropFromPageCache(scratch.path());
      for (const auto& [offset, length] : state.cached) {
        zeb::test::LoadIntoPageCache(scratch.path(), offset, length);
      }
      const std::vector<bool> before = zeb::test::CachedPages(scratch.path());
      File file;
      ASSERT_TRUE(file.OpenForReading(scratch.path(), OpenMode::kUnbuffered));
      ReadQueue queue(file, 3);
      if (refuse) {
        EXPECT_FALSE(queue.asynchronous());
      }
      std::uint64_t fromCache = 0;
      std::size_t checked = 0;
      auto checkOldest = [&] {
        const std::size_t i = checked++;
        const auto [offset, length] = reads[i];
        const std::size_t expected =
            offset >= kFileSize ? 0 : std::min<std::uint64_t>(length, kFileSize - offset);
        ASSERT_EQ(queue.WaitOldest(), expected) << "read at " << offset;
        EXPECT_EQ(std::memcmp(buffer.data() + slice[i], scratch.bytes().data() + offset, expected),
                  0);
      };
      for (std::size_t i = 0; i < reads.size(); ++i) {
        const auto [offset, length] = reads[i];
        if (!queue.Submit(buffer.data() + slice[i], length, offset)) {
          checkOldest();
          ASSERT_TRUE(queue.Submit(buffer.data() + slice[i], length, offset));
        }
        fromCache += zeb::test::CachedBytes(before, kFileSize, offset, length);
      }
      while (checked < reads.size()) checkOldest();
      EXPECT_EQ(file.bytes_from_cache(), fromCache);
      EXPECT_EQ(zeb::test::CachedPages(scratch.path()), before);
    }
  }
  testing::RefuseIoUring(false);
}

TEST(AlignedBuffer, AlignmentRefusalAndMove) {
  for (std::size_t alignment : {0u, 3u, 512u, 65536u}) {
    AlignedBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(1000, alignment));
    EXPECT_TRUE(IsAligned(buffer.data(), std::bit_ceil(std::max<std::size_t>(alignment, 8))));
    buffer.data()[999] = 1;  // the whole size is usable
  }
  AlignedBuffer buffer;
  ASSERT_TRUE(buffer.Allocate(3 << 20, 512));  // large enough for huge pages
  EXPECT_TRUE(IsAligned(buffer.data(), 2 << 20));
  ASSERT_TRUE(buffer.Allocate(64, 64));
  EXPECT_FALSE(buffer.Allocate(0, 64));
  EXPECT_TRUE(buffer.empty());
  ASSERT_TRUE(buffer.Allocate(128, 4096));
  std::uint8_t* memory = buffer.data();
  AlignedBuffer moved;
  moved = std::move(buffer);
  EXPECT_EQ(moved.data(), memory);
  EXPECT_EQ(moved.size(), 128u);
  EXPECT_TRUE(buffer.empty());
}

TEST(DriveType, OpticalFileSystemsAreTheCdRomCase) {
  const std::vector<std::pair<std::uint64_t, DriveType>> magic = {
      {0x9660, DriveType::kCdRom},      // ISO 9660
      {0x15013346, DriveType::kCdRom},  // UDF
      {0xEF53, DriveType::kFixed},      // ext2/3/4
      {0x01021994, DriveType::kFixed},  // tmpfs
      {0x6969, DriveType::kFixed},      // NFS
      {0, DriveType::kFixed},
  };
  for (const auto& [value, type] : magic) EXPECT_EQ(DriveTypeOfFileSystem(value), type) << value;

  EXPECT_EQ(QueryDriveType(fs::current_path().string()), DriveType::kFixed);
  EXPECT_EQ(QueryDriveType("/dev/shm"), DriveType::kFixed);
  EXPECT_EQ(QueryDriveType("/no/such/folder/movie.mov"), DriveType::kUnknown);
  EXPECT_EQ(QueryDriveType(""), DriveType::kUnknown);
}

}  // namespace
}  // namespace zeb::sys
