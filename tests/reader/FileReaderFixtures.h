// Shared pieces of the direct file reader tests: the movie under test, a copy
// of it on tmpfs and a fake device that serves the movie's bytes with faults.
#pragma once

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/sys/AlignedBuffer.h"
#include "platform/sys/ReadQueue.h"
#include "reader/CQTFileReader.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Shell.h"

namespace zeb::test {

namespace fs = std::filesystem;

// A ten-second MJPEG + PCM movie, about 7 MiB (tests/support/Fixtures.cpp).
// The compressed picture data makes every offset look different, so a read
// from the wrong place never compares equal by chance.
inline const fs::path& MoviePath() {
  static const fs::path path = [] {
    std::string error;
    const std::string made = FixturePath("file_reader_mjpeg_pcm.mov", error);
    if (made.empty()) throw std::runtime_error(error);
    return fs::path(made);
  }();
  return path;
}

inline const std::vector<uint8_t>& MovieBytes() {
  static const std::vector<uint8_t> bytes = ReadFile(MoviePath());
  return bytes;
}

inline std::u16string ToPath16(const fs::path& path) {
  const std::string text = path.string();
  return std::u16string(text.begin(), text.end());  // the test paths are ASCII
}

// The movie copied into a folder of another file system (tmpfs: /dev/shm).
class MovieCopy {
 public:
  explicit MovieCopy(const fs::path& folder)
      : path_(folder / ("zeb-file-reader-" + std::to_string(getpid()) + ".mov")) {
    fs::copy_file(MoviePath(), path_, fs::copy_options::overwrite_existing);
  }
  ~MovieCopy() { fs::remove(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// A device that serves the movie's bytes from memory in place of the real
// file (which is still opened, so sizes agree), with a fault:
//   piece:        at most this many bytes per call (0: no limit);
//   interruptEvery: every n-th call fails with EINTR first (0: never);
//   failFrom:     reads at or beyond this offset fail with EIO, and reads that
//                 reach it stop there;
//   endAt:        the data ends here, as if the file were cut short;
//   overstate:    bytes a call that delivered all it was asked claims beyond
//                 that (a broken device).
struct FakeDevice {
  uint64_t piece = 0, interruptEvery = 0, failFrom = UINT64_MAX, endAt = UINT64_MAX, overstate = 0;
  std::atomic<uint64_t> calls{0};
  std::atomic<uint64_t> callerThreadCalls{0};
  std::atomic<uint64_t> largestRead{0};              // bytes asked for by one call
  std::atomic<const void*> lastCallerDest{nullptr};  // of the caller thread's last call
  std::thread::id callerThread = std::this_thread::get_id();

  // The bytes a caller can expect from [offset, offset + count).
  uint64_t Deliverable(uint64_t offset, uint64_t count) const {
    const uint64_t limit = std::min<uint64_t>({failFrom, endAt, MovieBytes().size()});
    return offset >= limit ? 0 : std::min(count, limit - offset);
  }

  ssize_t Read(void* dest, size_t count, off_t offset) {
    const uint64_t call = ++calls;
    if (std::this_thread::get_id() == callerThread) {
      ++callerThreadCalls;
      lastCallerDest = dest;
    }
    if (count > largestRead) largestRead = count;
    if (interruptEvery != 0 && call % interruptEvery == 0) {
      errno = EINTR;
      return -1;
    }
    const auto at = static_cast<uint64_t>(offset);
    if (at >= failFrom) {
      errno = EIO;
      return -1;
    }
    uint64_t n = Deliverable(at, count);
    if (piece != 0) n = std::min(n, piece);
    std::memcpy(dest, MovieBytes().data() + at, n);
    return static_cast<ssize_t>(n == count ? n + overstate : n);
  }

  CQTFileReaderServices Services() {
    CQTFileReaderServices services;
    services.read = [this](int, void* dest, size_t count, off_t offset) {
      return Read(dest, count, offset);
    };
    return services;
  }
};

// Runs `body` once with reads in flight through io_uring (where the kernel
// offers it) and once through the pread fallback, naming the engine in any
// failure. Readers made inside `body` take the engine in force.
template <typename Body>
void ForEachReadEngine(Body body) {
  for (const bool refuse : {false, true}) {
    SCOPED_TRACE(refuse ? "pread fallback" : "io_uring");
    zeb::sys::testing::RefuseIoUring(refuse);
    body();
  }
  zeb::sys::testing::RefuseIoUring(false);
}

// Where a read's destination starts: at an address unbuffered reads accept,
// or one byte past it, which sends every read through the ring or the
// alignment buffer.
enum class Destination { kAligned, kMisaligned };

// Reads length bytes at the logical position and checks them against the
// file; returns the destination used (valid until the next call).
inline const uint8_t* ExpectRead(CQTFileReader& reader, uint64_t position, uint32_t length,
                                 Destination kind = Destination::kMisaligned) {
  static zeb::sys::AlignedBuffer buffer;
  const std::vector<uint8_t>& file = MovieBytes();
  const uint64_t expected =
      position >= file.size() ? 0 : std::min<uint64_t>(length, file.size() - position);
  if (buffer.size() < uint64_t{length} + 1 && !buffer.Allocate(length + 1, 65536)) {
    ADD_FAILURE() << "no memory for " << length;
    return nullptr;
  }
  uint8_t* destination = buffer.data() + (kind == Destination::kMisaligned ? 1 : 0);
  EXPECT_EQ(reader.Read(destination, length), expected) << "at " << position;
  EXPECT_EQ(
      std::memcmp(destination, file.data() + std::min<uint64_t>(position, file.size()), expected),
      0)
      << "at " << position << " length " << length;
  return destination;
}

}  // namespace zeb::test
