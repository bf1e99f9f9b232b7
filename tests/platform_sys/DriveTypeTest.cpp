// The drive-type rule of the direct file reader: optical file systems are
// the CD-ROM case. The reads over io_uring and pread into aligned buffers are
// the file reader's tests (tests/reader/FileReader*Test.cpp), which also drive
// File with a faulty device and read with half the movie in the page cache.
#include "platform/sys/DriveType.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

namespace zeb::sys {
namespace {

namespace fs = std::filesystem;

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
