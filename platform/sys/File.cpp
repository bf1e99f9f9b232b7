#include "platform/sys/File.h"

#include <fcntl.h>
#include <sys/stat.h>
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

bool IsFolder(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

File::File(PositionedRead read) : read_(std::move(read)) {}

File::~File() { Close(); }

bool File::OpenForReading(const std::string& utf8_path, OpenMode wanted) {
  Close();
  int fd = -1;
  OpenMode granted = OpenMode::kBufferedSequential;
  if (wanted == OpenMode::kUnbuffered) {
    fd = OpenReadOnly(utf8_path, O_DIRECT);
    // EINVAL is how a file system without direct I/O answers O_DIRECT.
    if (fd >= 0)
      granted = OpenMode::kUnbuffered;
    else if (errno != EINVAL)
      return false;
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
  return true;
}

void File::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  mode_ = OpenMode::kBufferedSequential;
  alignment_ = DirectIoAlignment{};
}

std::optional<std::uint64_t> File::Size() const {
  struct stat info {};
  if (fd_ < 0 || fstat(fd_, &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

std::size_t File::ReadAt(void* dest, std::size_t count, std::uint64_t offset) const {
  constexpr auto kLargestOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
  if (fd_ < 0 || offset > kLargestOffset || count > kLargestOffset - offset) return 0;
  auto* bytes = static_cast<std::uint8_t*>(dest);
  std::size_t total = 0;
  while (total < count) {
    const ssize_t got =
        read_(fd_, bytes + total, count - total, static_cast<off_t>(offset + total));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    total += std::min(static_cast<std::size_t>(got), count - total);
  }
  return total;
}

}  // namespace zeb::sys
