// A read-only file read by positioned reads, with the system cache bypassed
// when the file system allows it. There is no shared cursor: every read names
// its offset, so one open file may serve the threads that own it in turn.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/sys/DirectIoAlignment.h"

namespace zeb::sys {

enum class OpenMode {
  kUnbuffered,          // O_DIRECT: offsets, lengths and addresses aligned
  kBufferedSequential,  // the page cache, told to expect sequential reads
};

// The read primitive, pread(2) by default; tests substitute one that returns
// short counts or fails, to replay what a slow or broken device does.
using PositionedRead = std::function<ssize_t(int fd, void* dest, size_t count, off_t offset)>;

class File {
 public:
  explicit File(PositionedRead read = ::pread);
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
  // read fails or no file is open).
  std::size_t ReadAt(void* dest, std::size_t count, std::uint64_t offset) const;

 private:
  int fd_ = -1;
  OpenMode mode_ = OpenMode::kBufferedSequential;
  DirectIoAlignment alignment_;
  PositionedRead read_;
};

}  // namespace zeb::sys
