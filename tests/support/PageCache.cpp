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

PinnedPages::PinnedPages(const std::string& path, std::uint64_t offset, std::uint64_t length) {
  const Descriptor file(path);
  ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_RANDOM);
  std::vector<char> bytes(length);
  if (::pread(file.get(), bytes.data(), length, static_cast<off_t>(offset)) < 0) {
    throw std::runtime_error("cannot read " + path);
  }
  const std::uint64_t start = offset / kPage * kPage;
  length_ = offset + length - start;
  // MAP_LOCKED, not mlock(2), which the thread sanitizer's runtime ignores;
  // past the lock limit the pages are only mapped, which reclaim spares longer.
  for (const int lock : {MAP_LOCKED, 0}) {
    map_ = ::mmap(nullptr, length_, PROT_READ, MAP_SHARED | MAP_POPULATE | lock, file.get(),
                  static_cast<off_t>(start));
    if (map_ != MAP_FAILED) return;
  }
  throw std::runtime_error("cannot map " + path);
}

PinnedPages::~PinnedPages() { ::munmap(map_, length_); }

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

PageCacheChange CompareCachedPages(const std::vector<bool>& before,
                                   const std::vector<bool>& after) {
  const std::size_t pages = std::min(before.size(), after.size());
  PageCacheChange change{0, 0, pages};
  for (std::size_t page = 0; page < pages; ++page) {
    if (before[page] == after[page]) continue;
    (after[page] ? change.cameIn : change.left) += 1;
    change.firstChanged = std::min<std::uint64_t>(change.firstChanged, page);
  }
  return change;
}

}  // namespace zeb::test
