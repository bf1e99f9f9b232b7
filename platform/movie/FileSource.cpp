#include "platform/movie/FileSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace zeb::movie {
namespace {

// Ranges at most this far apart share one read; the bytes between them are
// read and thrown away, which costs less than a call of their own.
constexpr uint64_t kLargestGap = 64 * 1024;
// Pieces (ranges and gaps) in one preadv, well under IOV_MAX.
constexpr size_t kPiecesPerRead = 512;

// How many ranges from the first one read together: each starts after the
// previous one ends, at most kLargestGap later.
size_t RunLength(std::span<const ByteRange> ranges) {
  size_t count = 1;
  while (count < ranges.size() && 2 * count + 1 < kPiecesPerRead) {
    const ByteRange& previous = ranges[count - 1];
    const uint64_t end = previous.offset + previous.size;
    if (ranges[count].offset < end || ranges[count].offset - end > kLargestGap) break;
    ++count;
  }
  return count;
}

}  // namespace

Status FileSource::Open(const std::string& path, std::unique_ptr<FileSource>& source) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    const StatusCode code =
        (error == ENOENT || error == ENOTDIR) ? StatusCode::kNotFound : StatusCode::kIoError;
    return Status::Error(code, "cannot open " + path + ": " + std::strerror(error));
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return Status::Error(StatusCode::kIoError, path + " is not a regular file");
  }
  source.reset(new FileSource(fd, static_cast<uint64_t>(info.st_size)));
  return Status::Ok();
}

FileSource::~FileSource() { ::close(fd_); }

Status FileSource::ReadAt(uint64_t offset, std::span<uint8_t> out) const {
  if (offset > size_ || out.size() > size_ - offset) {
    return Status::Error(
        StatusCode::kTruncated,
        "read of " + std::to_string(out.size()) + " bytes passes the end of the file", {}, offset);
  }
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t got =
        ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      return Status::Error(StatusCode::kIoError, std::string("pread: ") + std::strerror(errno), {},
                           offset + done);
    }
    if (got == 0) {
      return Status::Error(StatusCode::kTruncated, "the file ended early", {}, offset + done);
    }
    done += static_cast<size_t>(got);
  }
  return Status::Ok();
}

Status FileSource::ReadRanges(std::span<const ByteRange> ranges, std::span<uint8_t> out) const {
  std::vector<iovec> pieces;
  std::unique_ptr<uint8_t[]> scratch;  // the gaps' bytes, never looked at
  size_t written = 0;
  while (!ranges.empty()) {
    const std::span<const ByteRange> run = ranges.first(RunLength(ranges));
    ranges = ranges.subspan(run.size());
    uint64_t runBytes = 0;
    for (const ByteRange& range : run) runBytes += range.size;
    const uint64_t span = run.back().offset + run.back().size - run.front().offset;
    if (run.size() == 1 || runBytes > out.size() - written || run.front().offset > size_ ||
        span > size_ - run.front().offset) {
      // Alone, or bound to fail: the plain reads say why.
      ZEB_MOVIE_TRY(ByteSource::ReadRanges(run, out.subspan(written)));
      written += static_cast<size_t>(runBytes);
      continue;
    }
    pieces.clear();
    if (!scratch) scratch.reset(new uint8_t[kLargestGap]);
    for (size_t i = 0; i < run.size(); ++i) {
      if (i > 0) {
        const uint64_t gap = run[i].offset - (run[i - 1].offset + run[i - 1].size);
        if (gap > 0) pieces.push_back({scratch.get(), static_cast<size_t>(gap)});
      }
      pieces.push_back({out.data() + written, static_cast<size_t>(run[i].size)});
      written += static_cast<size_t>(run[i].size);
    }
    ssize_t got;
    do {
      got = ::preadv(fd_, pieces.data(), static_cast<int>(pieces.size()),
                     static_cast<off_t>(run.front().offset));
    } while (got < 0 && errno == EINTR);
    if (got < 0 || static_cast<uint64_t>(got) != span) {
      // A short or failed read: the plain reads finish it or say why.
      written -= static_cast<size_t>(runBytes);
      ZEB_MOVIE_TRY(ByteSource::ReadRanges(run, out.subspan(written)));
      written += static_cast<size_t>(runBytes);
    }
  }
  return Status::Ok();
}

}  // namespace zeb::movie
