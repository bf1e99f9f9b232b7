#include "bench/movie_open/HeapCounter.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace zeb::bench {
namespace {

std::atomic<int64_t> g_in_use{0};
std::atomic<int64_t> g_peak{0};

void Add(int64_t bytes) {
  const int64_t now = g_in_use.fetch_add(bytes) + bytes;
  int64_t peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
}

int64_t UsableSize(void* block) {
  return block == nullptr ? 0 : static_cast<int64_t>(::malloc_usable_size(block));
}

void* Counted(void* block) {
  Add(UsableSize(block));
  return block;
}

}  // namespace

int64_t HeapBytesInUse() { return g_in_use.load(); }
int64_t HeapPeakBytes() { return g_peak.load(); }
void ResetHeapPeak() { g_peak.store(g_in_use.load()); }

}  // namespace zeb::bench

using zeb::bench::Add;
using zeb::bench::Counted;
using zeb::bench::UsableSize;

extern "C" {

void* malloc(size_t size) { return Counted(__libc_malloc(size)); }
void* calloc(size_t count, size_t size) { return Counted(__libc_calloc(count, size)); }
void free(void* block) {
  Add(-UsableSize(block));
  __libc_free(block);
}
void* realloc(void* block, size_t size) {
  const int64_t old_size = UsableSize(block);
  void* moved = __libc_realloc(block, size);
  if (moved == nullptr && size != 0) return nullptr;  // the old block stays, still counted
  Add(-old_size);
  return Counted(moved);
}
void* memalign(size_t alignment, size_t size) { return Counted(__libc_memalign(alignment, size)); }
void* aligned_alloc(size_t alignment, size_t size) {
  return Counted(__libc_memalign(alignment, size));
}
int posix_memalign(void** block, size_t alignment, size_t size) {
  void* aligned = __libc_memalign(alignment, size);
  if (aligned == nullptr) return ENOMEM;
  *block = Counted(aligned);
  return 0;
}

}  // extern "C"
