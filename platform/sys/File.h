// A read-only file read by positioned reads, with the system cache bypassed
// when the file system allows it. There is no shared cursor: every read names
// its offset, so one open file may serve the threads that own it in turn.
//
// An unbuffered file still takes the pages that already sit in the page cache
// from there (a file read a moment ago, a small movie on a busy server): a
// buffered descriptor opened beside the unbuffered one reads them with
// RWF_NOWAIT, and only what is not cached goes to the device.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/sys/DirectIoAlignment.h"
#include "platform/sys/PageCacheMap.h"

namespace zeb::sys {

enum class OpenMode {
  kUnbuffered,          // O_DIRECT: offsets, lengths and addresses aligned
  kBufferedSequential,  // the page cache, told to expect sequential reads
};

// A substitute for the device's read, pread(2)'s shape. Tests pass one that
// returns short counts or fails, to replay what a slow or broken device does.
using PositionedRead = std::function<ssize_t(int fd, void* dest, size_t count, off_t offset)>;

class File {
 public:
  // Without a substitute the system's own reads serve the file: pread, the
  // page cache where it holds the pages, and io_uring in ReadQueue. A
  // substitute stands in for all of them: every byte comes through it.
  explicit File(PositionedRead substitute = {});
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file (not a folder) read-only. An unbuffered open that
  // the file system refuses falls back to a buffered sequential one; mode()
  // tells which one was granted. False when the file cannot be opened.
  [[nodiscard]] bool OpenForReading(const std::string& utf8_path, OpenMode wanted);
  void Close();

  bool is_open() const { return fd_ >= 0; }
  OpenMode mode() const { return mode_; }
  // The file system's rule for unbuffered reads, whichever mode was granted.
  const DirectIoAlignment& alignment() const { return alignment_; }

  std::optional<std::uint64_t> Size() const;
  // Reads up to count bytes at offset and returns how many arrived: fewer at
  // the end of the file, and only those before a failure (0 when the first
  // read fails or no file is open). Unbuffered: offset, count and dest
  // aligned as alignment() says.
  std::size_t ReadAt(void* dest, std::size_t count, std::uint64_t offset) const;

  // Bytes that unbuffered reads took from the page cache since the open.
  std::uint64_t bytes_from_cache() const { return bytesFromCache_.load(std::memory_order_relaxed); }

 private:
  friend class ReadQueue;

  // Reads the device's share of [offset, offset + count) through `device`,
  // which returns the bytes it took (fewer stop the read there), and copies
  // the rest from the page cache. Returns the bytes delivered, a prefix.
  using DeviceRead =
      std::function<std::size_t(std::uint8_t* dest, std::size_t count, std::uint64_t offset)>;
  std::size_t ReadPieces(void* dest, std::size_t count, std::uint64_t offset,
                         const DeviceRead& device) const;

  // A stretch of an unbuffered read served from one place.
  struct Piece {
    bool fromCache = false;
    std::uint64_t length = 0;
  };
  // The next piece of the read [start, end) at position. Device pieces begin
  // and end where an unbuffered read into the same destination may (a cached
  // stretch too short for that is read from the device); deviceOnly asks for
  // a device piece whatever the cache holds.
  Piece NextPiece(std::uint64_t start, std::uint64_t position, std::uint64_t end,
                  bool deviceOnly) const;
  // Device pieces begin on this grid counted from the read's start, so that
  // the file offset and the destination address stay aligned together.
  std::uint64_t Grid() const;
  // Copies cached pages without waiting for the device; the bytes that
  // arrived, a prefix of count.
  std::size_t ReadCached(void* dest, std::size_t count, std::uint64_t offset) const;
  // Device reads: EINTR retried, short counts gathered.
  std::size_t ReadDevice(void* dest, std::size_t count, std::uint64_t offset) const;
  // A read that the system can name: it ends at an offset off_t can hold.
  static bool Addressable(std::uint64_t offset, std::size_t count);
  bool usesSystemReads() const { return !substitute_; }
  int fd() const { return fd_; }

  int fd_ = -1;
  int cachedFd_ = -1;  // buffered, beside an unbuffered fd_; -1 otherwise
  OpenMode mode_ = OpenMode::kBufferedSequential;
  DirectIoAlignment alignment_;
  PageCacheMap cacheMap_;
  PositionedRead substitute_;
  mutable std::atomic<std::uint64_t> bytesFromCache_{0};
  mutable std::atomic<bool> cacheRefused_{false};  // the file system takes no RWF_NOWAIT
};

}  // namespace zeb::sys
