// Which pages of a file sit in the page cache, asked without reading them:
// mincore(2) over a read-only mapping of the file, which touches no page and
// starts no I/O (a RWF_NOWAIT read that misses starts read-ahead instead).
// The kernel answers for pages this process has not mapped only when the
// caller owns the file or may write it; otherwise every page reads as not
// cached, and callers simply go to the device.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zeb::sys {

struct CacheRun {
  bool cached = false;
  std::uint64_t length = 0;  // bytes
};

class PageCacheMap {
 public:
  PageCacheMap() = default;
  ~PageCacheMap();
  PageCacheMap(const PageCacheMap&) = delete;
  PageCacheMap& operator=(const PageCacheMap&) = delete;

  // Maps the first size bytes of fd; false (and nothing mapped) for an empty
  // file or when the mapping is refused.
  bool Map(int fd, std::uint64_t size);
  void Unmap();

  // The run that starts at offset: the pages from there on that share the
  // residency of offset's page, at most count bytes. Cached runs end at the
  // mapped size; past it everything reads as not cached.
  CacheRun RunAt(std::uint64_t offset, std::uint64_t count) const;
  // The mapped size: the file's size when it was mapped.
  std::uint64_t size() const { return size_; }

 private:
  void* base_ = nullptr;
  std::uint64_t size_ = 0;
  std::uint64_t page_ = 4096;
};

}  // namespace zeb::sys
