// The page cache of a test file, set to a known state and read back, for the
// tests of reads that take cached pages from the cache and the rest from the
// device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeb::test {

// Writes the file's dirty pages back and drops all of its pages.
void DropFromPageCache(const std::string& path);
// Brings [offset, offset + length) into the cache, just those pages (rounded
// out to whole pages), and holds them there until destroyed: a locked mapping
// keeps the kernel from evicting them when the cache fills up with other
// tests' files. Without the right to lock memory they are only mapped.
class PinnedPages {
 public:
  PinnedPages(const std::string& path, std::uint64_t offset, std::uint64_t length);
  ~PinnedPages();
  PinnedPages(const PinnedPages&) = delete;
  PinnedPages& operator=(const PinnedPages&) = delete;

 private:
  void* map_ = nullptr;
  std::uint64_t length_ = 0;
};
// One flag a page: in the page cache or not.
std::vector<bool> CachedPages(const std::string& path);
// How the cache of a file changed between two looks: pages that came in,
// pages that left, and the first page that changed (the page count if none).
struct PageCacheChange {
  std::uint64_t cameIn = 0, left = 0, firstChanged = 0;
};
PageCacheChange CompareCachedPages(const std::vector<bool>& before, const std::vector<bool>& after);

}  // namespace zeb::test
