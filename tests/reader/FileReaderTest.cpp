// The direct file reader without read-ahead: opening, positioning and reads
// of any offset and length on top of aligned unbuffered reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "FileReaderFixtures.h"
#include "reader/CQTFileReader.h"
#include "tests/host/LogCapture.h"
#include "zebplug/ZEBPlugResults.h"

namespace zeb::test {
namespace {

constexpr uint32_t kNoBuffering = CQTFileReader::kFileFlagNoBuffering;
constexpr uint32_t kSequentialScan = CQTFileReader::kFileFlagSequentialScan;
const std::string kCdRomLine =
    "CQTReader::OpenFile--This is CDROM Path Name, Change to FILE_FLAG_SEQUENTIAL_SCAN";

struct OpenCase {
  std::string name;
  std::u16string path;
  uint32_t flags;
  bool opticalDrive;
  uint32_t result;
  uint32_t openFlags;  // as recorded after a successful open
  bool logsCdRom;
};

TEST(FileReaderOpen, FlagsFollowTheDriveAndWhatTheFileSystemGrants) {
  const std::u16string movie = ToPath16(MoviePath());
  MovieCopy onTmpfs("/dev/shm");
  const std::vector<OpenCase> cases = {
      {"disk, unbuffered", movie, kNoBuffering, false, ZEB_OK, kNoBuffering, false},
      {"disk, caller's other flags kept", movie, kNoBuffering | 0x80, false, ZEB_OK,
       kNoBuffering | 0x80, false},
      {"disk, buffered", movie, 0, false, ZEB_OK, 0, false},
      {"procfs refuses direct I/O", u"/proc/version", kNoBuffering, false, ZEB_OK, kSequentialScan,
       false},
      {"tmpfs is the page cache", ToPath16(onTmpfs.path()), kNoBuffering, false, ZEB_OK,
       kSequentialScan, false},
      {"optical disc", movie, kNoBuffering, true, ZEB_OK, kSequentialScan, true},
      {"missing file", movie + u".missing", kNoBuffering, false, ZEB_E_FILE_OPEN, 0, false},
      {"missing file on optical disc", movie + u".missing", kNoBuffering, true, ZEB_E_FILE_OPEN, 0,
       true},
      {"folder", u"/tmp", kNoBuffering, false, ZEB_E_FILE_OPEN, 0, false},
      {"empty path", u"", kNoBuffering, false, ZEB_E_FILE_OPEN, 0, false},
      {"ill-formed UTF-16", std::u16string{0xD800, u'x'}, kNoBuffering, false, ZEB_E_FILE_OPEN, 0,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CQTFileReaderServices services;
    if (c.opticalDrive)
      services.driveType = [](const std::string&) { return zeb::sys::DriveType::kCdRom; };
    LogCapture log;
    CQTFileReader reader(services);
    ASSERT_EQ(reader.OpenFile(c.path.c_str(), c.flags), c.result);
    if (c.result == ZEB_OK) {
      EXPECT_EQ(reader.GetOpenFlags(), c.openFlags);
    }
    const auto expected =
        c.logsCdRom ? std::vector<LogLine>{{"ZEBQTLib", 8, kCdRomLine}} : std::vector<LogLine>{};
    EXPECT_EQ(log.Lines(), expected);
  }
  CQTFileReader reader;
  EXPECT_EQ(reader.OpenFile(nullptr, kNoBuffering), ZEB_E_FILE_OPEN);
}

struct ReadCase {
  std::string name;
  uint64_t offset;
  uint32_t length;
};

// Offsets and lengths around every alignment boundary, the end of the file
// and beyond it; each read is compared byte for byte with the file.
std::vector<ReadCase> ReadCases(uint64_t size, uint32_t sector) {
  return {
      {"100 at 1000", 1000, 100},
      {"one byte", 1, 1},
      {"straddles a sector", sector - 1, 2},
      {"aligned start, odd length", sector, sector + 1},
      {"aligned start and length", sector, 8 * sector},
      {"odd start, many MiB", 12345, 3 * 1048576 + 17},
      {"exactly one MiB at an odd start", 77, 1048576},
      {"empty", 500, 0},
      {"crosses the end", size - 10, 100},
      {"ends at the end", size - 100, 100},
      {"starts at the end", size, 10},
      {"just past the end", size + 1, 10},
      {"far beyond the end", size + 5 * 1048576, 4096},
      {"beyond off_t", ~uint64_t{0} - sector + 1, sector},
      {"whole file", 0, static_cast<uint32_t>(size)},
  };
}

// A guard byte on both sides of each destination catches writes outside it.
TEST(FileReaderRead, EveryOffsetAndLengthOnEveryFileSystemAndAlignment) {
  MovieCopy onTmpfs("/dev/shm");
  struct Setup {
    fs::path path;
    uint32_t flags;
    size_t misalign;
  };
  const Setup setups[] = {{MoviePath(), kNoBuffering, 0},
                          {MoviePath(), kNoBuffering, 1},
                          {MoviePath(), 0, 3},
                          {onTmpfs.path(), kNoBuffering, 0},
                          {onTmpfs.path(), kNoBuffering, 7}};
  const std::vector<uint8_t>& file = MovieBytes();
  for (const Setup& setup : setups) {
    SCOPED_TRACE(setup.path.string() + " misalign " + std::to_string(setup.misalign));
    CQTFileReader reader;
    ASSERT_EQ(reader.OpenFile(ToPath16(setup.path).c_str(), setup.flags), ZEB_OK);
    ASSERT_EQ(reader.GetSize(), file.size());
    for (const auto& c : ReadCases(file.size(), reader.GetSectorSize())) {
      SCOPED_TRACE(c.name);
      const uint64_t expected =
          c.offset >= file.size() ? 0 : std::min<uint64_t>(c.length, file.size() - c.offset);
      std::vector<uint8_t> buffer(c.length + setup.misalign + 4096 + 1, 0xA5);
      uint8_t* destination = buffer.data() +
                             (4096 - reinterpret_cast<uintptr_t>(buffer.data()) % 4096) +
                             setup.misalign;
      ASSERT_EQ(reader.Seek(c.offset, CQTFileReader::kFromStart), c.offset);
      ASSERT_EQ(reader.Read(destination, c.length), expected);
      EXPECT_EQ(std::memcmp(destination, file.data() + std::min<uint64_t>(c.offset, file.size()),
                            expected),
                0);
      EXPECT_EQ(destination[-1], 0xA5);
      EXPECT_EQ(destination[expected], 0xA5);
      EXPECT_EQ(reader.Seek(0, CQTFileReader::kFromCurrent), c.offset + expected);
    }
  }
}

TEST(FileReaderSeek, OriginsMoveTheLogicalPosition) {
  CQTFileReader reader;
  ASSERT_EQ(reader.OpenFile(ToPath16(MoviePath()).c_str(), kNoBuffering), ZEB_OK);
  const uint64_t size = MovieBytes().size();
  struct Case {
    std::string name;
    uint64_t offset;
    uint32_t origin;
    uint64_t expected;
  };
  const std::vector<Case> cases = {
      {"from start", 5000, CQTFileReader::kFromStart, 5000},
      {"from current", 250, CQTFileReader::kFromCurrent, 5250},
      {"backwards from current", uint64_t(-1000), CQTFileReader::kFromCurrent, 4250},
      {"unknown origin 0 stays", 77, 0, 4250},
      {"unknown origin 4 stays", 77, 4, 4250},
      {"from end, backwards", uint64_t(-300), CQTFileReader::kFromEnd, size - 300},
      {"from end", 0, CQTFileReader::kFromEnd, size},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(reader.Seek(c.offset, c.origin), c.expected);
    uint8_t bytes[16] = {};
    const uint32_t got = reader.Read(bytes, sizeof bytes);
    ASSERT_EQ(got, std::min<uint64_t>(sizeof bytes, size - c.expected));
    EXPECT_EQ(std::memcmp(bytes, MovieBytes().data() + c.expected, got), 0);
    reader.Seek(c.expected, CQTFileReader::kFromStart);
  }
}

TEST(FileReaderLifecycle, CloseIsRepeatableAndReopenWorks) {
  CQTFileReader reader;
  uint8_t byte = 0;
  EXPECT_EQ(reader.Read(&byte, 1), 0u);  // never opened
  EXPECT_EQ(reader.GetSize(), 0u);
  ASSERT_EQ(reader.OpenFile(ToPath16(MoviePath()).c_str(), kNoBuffering), ZEB_OK);
  reader.Seek(10, CQTFileReader::kFromStart);
  EXPECT_EQ(reader.Read(nullptr, 10), 0u);
  EXPECT_EQ(reader.Close(), ZEB_OK);
  EXPECT_EQ(reader.Close(), ZEB_OK);
  EXPECT_EQ(reader.GetSize(), 0u);
  EXPECT_EQ(reader.Read(&byte, 1), 0u);
  EXPECT_EQ(reader.Seek(0, CQTFileReader::kFromCurrent), 0u);
  ASSERT_EQ(reader.OpenFile(ToPath16(MoviePath()).c_str(), kNoBuffering), ZEB_OK);
  ASSERT_EQ(reader.OpenFile(ToPath16(MoviePath()).c_str(), kNoBuffering),
            ZEB_OK);  // reopen closes first
  EXPECT_EQ(reader.Read(&byte, 1), 1u);
  EXPECT_EQ(byte, MovieBytes()[0]);
}

}  // namespace
}  // namespace zeb::test
