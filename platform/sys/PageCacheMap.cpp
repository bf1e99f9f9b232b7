#include "platform/sys/PageCacheMap.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace zeb::sys {
namespace {

// Pages asked of mincore per call: runs are found in slices of this many.
constexpr std::uint64_t kPagesPerQuery = 256;

}  // namespace

PageCacheMap::~PageCacheMap() { Unmap(); }

bool PageCacheMap::Map(int fd, std::uint64_t size) {
  Unmap();
  if (size == 0 || size > SIZE_MAX) return false;
  void* base = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  if (base == MAP_FAILED) return false;
  base_ = base;
  size_ = size;
  page_ = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  return true;
}

void PageCacheMap::Unmap() {
  if (base_ != nullptr) ::munmap(base_, size_);
  base_ = nullptr;
  size_ = 0;
}

CacheRun PageCacheMap::RunAt(std::uint64_t offset, std::uint64_t count) const {
  if (base_ == nullptr || offset >= size_ || count == 0) return {false, count};
  const std::uint64_t end = offset + std::min(count, size_ - offset);
  const std::uint64_t lastPage = (end - 1) / page_;
  std::uint64_t page = offset / page_;
  unsigned char resident[kPagesPerQuery];
  bool cached = false;
  for (bool first = true; page <= lastPage; first = false) {
    const std::uint64_t pages = std::min(kPagesPerQuery, lastPage - page + 1);
    auto* address = static_cast<std::uint8_t*>(base_) + page * page_;
    if (::mincore(address, pages * page_, resident) != 0) return {false, count};
    if (first) cached = (resident[0] & 1) != 0;
    std::uint64_t i = 0;
    while (i < pages && ((resident[i] & 1) != 0) == cached) ++i;
    page += i;
    if (i < pages) break;
  }
  const std::uint64_t runEnd = std::min(page * page_, end);
  // Past the mapped size nothing counts as cached, so an uncached run that
  // reaches it goes on to the end of the request.
  if (!cached && runEnd == end) return {false, count};
  return {cached, runEnd - offset};
}

}  // namespace zeb::sys
