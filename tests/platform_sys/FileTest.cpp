// The layer under the direct file reader: aligned buffers and drive types.
// Reads in flight over io_uring and pread, against a file partly in the page
// cache, are the file reader's tests (tests/reader/FileReader*Test.cpp, the
// seek storm over both engines with half the movie cached), which also drive
// File with a faulty device.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sys/AlignedBuffer.h"
#include "platform/sys/DriveType.h"

namespace zeb::sys {
namespace {

namespace fs = std::filesystem;

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
