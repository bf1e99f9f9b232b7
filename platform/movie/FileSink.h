// Append-only output file behind a 1 MiB buffer. Whole 64 KiB blocks of zero
// bytes at aligned file offsets are left as holes instead of written, so
// silence and placeholder regions cost no disk on file systems with sparse
// files; the file always reads back byte for byte as appended.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/movie/Status.h"

namespace zeb::movie {

class FileSink {
 public:
  static constexpr size_t kBufferBytes = size_t{1} << 20;
  static constexpr size_t kHoleBlock = size_t{64} << 10;

  FileSink() = default;
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;
  ~FileSink();  // writes what is buffered and closes; call Close() to learn of failures

  // Creates `utf8Path`, replacing (truncating) an existing file.
  Status Open(const std::string& utf8Path);
  // Opens an existing file to append from `length` on, cutting what lies beyond.
  Status OpenForAppend(const std::string& utf8Path, uint64_t length);
  Status Append(std::span<const uint8_t> bytes);
  // Hands what is buffered to the system; with `durable`, waits until the
  // data reaches the storage device (fdatasync).
  Status Sync(bool durable);
  // Rewrites bytes already appended, e.g. a size placeholder.
  Status Overwrite(uint64_t offset, std::span<const uint8_t> bytes);
  // Writes what is buffered, sets the length (covering a trailing hole) and closes.
  Status Close();

  bool IsOpen() const { return fd_ >= 0; }
  // Bytes appended so far: the offset of the next appended byte.
  uint64_t Position() const { return flushed_ + buffer_.size(); }

 private:
  Status Flush();
  Status WriteSkippingZeroBlocks(uint64_t offset, std::span<const uint8_t> bytes);
  Status WriteAll(uint64_t offset, std::span<const uint8_t> bytes);
  Status IoError(const char* what) const;

  int fd_ = -1;
  std::string path_;
  std::vector<uint8_t> buffer_;  // appended bytes from file offset flushed_ on
  uint64_t flushed_ = 0;
};

}  // namespace zeb::movie
