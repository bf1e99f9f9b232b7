#include "platform/movie/FileSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zeb::movie {

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

}  // namespace zeb::movie
