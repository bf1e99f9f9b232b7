#include "platform/sys/File.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <utility>

namespace zeb::sys {
namespace {

int OpenReadOnly(const std::string& path, int extra_flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | extra_flags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// tmpfs keeps its files in the page cache itself: unbuffered reads there
// (Linux 6.6+) are copies from the same pages by a slower road, without
// RWF_NOWAIT, and io_uring hands them to worker threads.
bool IsInMemory(int fd) {
  struct statfs info {};
  return fstatfs(fd, &info) == 0 && info.f_type == TMPFS_MAGIC;
}

bool IsFolder(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::uint64_t> SizeOf(int fd) {
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

std::uint64_t RoundDown(std::uint64_t value, std::uint64_t unit) { return value / unit * unit; }
std::uint64_t RoundUp(std::uint64_t value, std::uint64_t unit) {
  return (value + unit - 1) / unit * unit;
}

}  // namespace

bool File::Addressable(std::uint64_t offset, std::size_t count) {
  constexpr auto kLargestOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
  return offset <= kLargestOffset && count <= kLargestOffset - offset;
}

File::File(PositionedRead substitute) : substitute_(std::move(substitute)) {}

File::~File() { Close(); }

bool File::OpenForReading(const std::string& utf8_path, OpenMode wanted) {
  Close();
  int fd = -1;
  OpenMode granted = OpenMode::kBufferedSequential;
  if (wanted == OpenMode::kUnbuffered) {
    fd = OpenReadOnly(utf8_path, O_DIRECT);
    // EINVAL is how a file system without direct I/O answers O_DIRECT.
    if (fd >= 0 && IsInMemory(fd)) {
      ::close(fd);
      fd = -1;
    } else if (fd >= 0) {
      granted = OpenMode::kUnbuffered;
    } else if (errno != EINVAL) {
      return false;
    }
  }
  if (fd < 0) {
    fd = OpenReadOnly(utf8_path, 0);
    if (fd < 0) return false;
  }
  if (IsFolder(fd)) {
    ::close(fd);
    errno = EISDIR;
    return false;
  }
  if (granted == OpenMode::kBufferedSequential) {
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  }
  fd_ = fd;
  mode_ = granted;
  alignment_ = QueryDirectIoAlignment(fd);
  // The cache beside the device: without it every read simply goes to the
  // device. Random advice keeps a read that races with eviction from
  // starting read-ahead.
  if (granted == OpenMode::kUnbuffered && usesSystemReads()) {
    cachedFd_ = OpenReadOnly(utf8_path, 0);
    if (cachedFd_ >= 0) {
      posix_fadvise(cachedFd_, 0, 0, POSIX_FADV_RANDOM);
      if (!cacheMap_.Map(cachedFd_, SizeOf(cachedFd_).value_or(0))) {
        ::close(cachedFd_);
        cachedFd_ = -1;
      }
    }
  }
  return true;
}

void File::Close() {
  cacheMap_.Unmap();
  if (cachedFd_ >= 0) ::close(cachedFd_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  cachedFd_ = -1;
  mode_ = OpenMode::kBufferedSequential;
  alignment_ = DirectIoAlignment{};
  bytesFromCache_ = 0;
  cacheRefused_ = false;
}

std::optional<std::uint64_t> File::Size() const { return SizeOf(fd_); }

std::size_t File::ReadAt(void* dest, std::size_t count, std::uint64_t offset) const {
  if (fd_ < 0 || !Addressable(offset, count)) return 0;
  return ReadPieces(dest, count, offset,
                    [this](std::uint8_t* at, std::size_t length, std::uint64_t position) {
                      return ReadDevice(at, length, position);
                    });
}

std::size_t File::ReadPieces(void* dest, std::size_t count, std::uint64_t offset,
                             const DeviceRead& device) const {
  auto* bytes = static_cast<std::uint8_t*>(dest);
  const std::uint64_t end = offset + count;
  std::uint64_t position = offset;
  bool deviceOnly = false;
  while (position < end) {
    const Piece piece = NextPiece(offset, position, end, deviceOnly);
    std::uint8_t* at = bytes + (position - offset);
    deviceOnly = false;
    if (!piece.fromCache) {
      const std::size_t got = device(at, piece.length, position);
      position += got;
      if (got < piece.length) break;
      continue;
    }
    const std::size_t got = ReadCached(at, piece.length, position);
    position += got;
    if (got == piece.length) {
      const bool reachedMappedEnd = position == cacheMap_.size() && position < end;
      if (!reachedMappedEnd) continue;
      if (Size() == position) break;  // the end of the file
    }
    // The pages left the cache meanwhile, or the file grew since it was
    // mapped: the device takes over from the last place where an unbuffered
    // read may start.
    position = offset + RoundDown(position - offset, Grid());
    deviceOnly = true;
  }
  return position - offset;
}

File::Piece File::NextPiece(std::uint64_t start, std::uint64_t position, std::uint64_t end,
                            bool deviceOnly) const {
  const std::uint64_t grid = Grid();
  if (cacheRefused_.load(std::memory_order_relaxed)) return {false, end - position};
  const CacheRun run = cacheMap_.RunAt(position, end - position);
  if (run.cached && !deviceOnly) {
    std::uint64_t pieceEnd = position + run.length;
    if (pieceEnd < end && pieceEnd != cacheMap_.size()) {
      pieceEnd = start + RoundDown(pieceEnd - start, grid);
    }
    if (pieceEnd > position) return {true, pieceEnd - position};
  }
  // A run the cache could not serve after all goes to the device whole.
  const std::uint64_t uncached = std::max<std::uint64_t>(run.length, 1);
  const std::uint64_t deviceEnd = std::min(end, start + RoundUp(position + uncached - start, grid));
  return {false, deviceEnd - position};
}

// One call only: asking again after a short count would ask for a page that
// is not cached, and such a read starts read-ahead in the page cache.
std::uint64_t File::Grid() const { return std::max(alignment_.offset, alignment_.memory); }

std::size_t File::ReadCached(void* dest, std::size_t count, std::uint64_t offset) const {
  iovec piece{dest, count};
  ssize_t got;
  do {
    got = ::preadv2(cachedFd_, &piece, 1, static_cast<off_t>(offset), RWF_NOWAIT);
  } while (got < 0 && errno == EINTR);
  // File systems without RWF_NOWAIT (tmpfs) answer so every time.
  if (got < 0 && (errno == EOPNOTSUPP || errno == EINVAL)) {
    cacheRefused_.store(true, std::memory_order_relaxed);
  }
  const std::size_t total = got > 0 ? std::min(static_cast<std::size_t>(got), count) : 0;
  bytesFromCache_.fetch_add(total, std::memory_order_relaxed);
  return total;
}

std::size_t File::ReadDevice(void* dest, std::size_t count, std::uint64_t offset) const {
  if (fd_ < 0 || !Addressable(offset, count)) return 0;
  auto* bytes = static_cast<std::uint8_t*>(dest);
  std::size_t total = 0;
  while (total < count) {
    const auto at = static_cast<off_t>(offset + total);
    const ssize_t got = substitute_ ? substitute_(fd_, bytes + total, count - total, at)
                                    : ::pread(fd_, bytes + total, count - total, at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    total += std::min(static_cast<std::size_t>(got), count - total);
  }
  return total;
}

}  // namespace zeb::sys
