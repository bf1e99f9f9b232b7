// A movie file read with pread(2) on one descriptor shared by every reader.
#pragma once

#include <memory>
#include <string>

#include "platform/movie/ByteSource.h"

namespace zeb::movie {

class FileSource final : public ByteSource {
 public:
  // Opens a regular file for reading; `path` is UTF-8.
  static Status Open(const std::string& path, std::unique_ptr<FileSource>& source);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  uint64_t Size() const override { return size_; }
  Status ReadAt(uint64_t offset, std::span<uint8_t> out) const override;
  // Ranges close together in the file (sound chunks between video frames)
  // are read with one preadv each run, the gaps into a scratch buffer.
  Status ReadRanges(std::span<const ByteRange> ranges, std::span<uint8_t> out) const override;

 private:
  FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}

  int fd_;
  uint64_t size_;
};

}  // namespace zeb::movie
