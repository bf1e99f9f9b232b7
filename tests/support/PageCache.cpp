#include "tests/support/PageCache.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace zeb::test {
namespace {

const std::uint64_t kPage = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));

// An open descriptor that closes itself; a failure to open is a broken test.
class Descriptor {
 public:
  explicit Descriptor(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
  }
  ~Descriptor() { ::close(fd_); }
  int get() const { return fd_; }
  std::uint64_t size() const {
    struct stat info {};
    return ::fstat(fd_, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
  }

 private:
  int fd_;
};

}  // namespace

void DropFromPageCache(const std::string& path) {
  const Descriptor file(path);
  ::fdatasync(file.get());
  ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_DONTNEED);
}

void LoadIntoPageCache(const std::string& path, std::uint64_t offset, std::uint64_t length) {
  const Descriptor file(path);
  ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_RANDOM);
  std::vector<char> bytes(length);
  if (::pread(file.get(), bytes.data(), length, static_cast<off_t>(offset)) < 0) {
    throw std::runtime_error("cannot read " + path);
  }
}

std::vector<bool> CachedPages(const std::string& path) {
  const Descriptor file(path);
  const std::uint64_t size = file.size();
  if (size == 0) return {};
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, file.get(), 0);
  if (map == MAP_FAILED) throw std::runtime_error("cannot map " + path);
  std::vector<unsigned char> resident((size + kPage - 1) / kPage);
  const int status = ::mincore(map, size, resident.data());
  ::munmap(map, size);
  if (status != 0) throw std::runtime_error("mincore failed on " + path);
  std::vector<bool> cached(resident.size());
  std::transform(resident.begin(), resident.end(), cached.begin(),
                 [](unsigned char page) { return (page & 1) != 0; });
  return cached;
}

std::uint64_t CachedBytes(const std::vector<bool>& cached, std::uint64_t fileSize,
                          std::uint64_t offset, std::uint64_t length) {
  const std::uint64_t end = std::min(fileSize, offset + length);
  std::uint64_t bytes = 0;
  for (std::uint64_t at = offset; at < end;) {
    const std::uint64_t pageEnd = std::min(end, (at / kPage + 1) * kPage);
    if (cached[at / kPage]) bytes += pageEnd - at;
    at = pageEnd;
  }
  return bytes;
}

}  // namespace zeb::test
