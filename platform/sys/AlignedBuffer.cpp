#include "platform/sys/AlignedBuffer.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <utility>

namespace zeb::sys {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

AlignedBuffer::~AlignedBuffer() { Free(); }

AlignedBuffer::AlignedBuffer(AlignedBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

AlignedBuffer& AlignedBuffer::operator=(AlignedBuffer&& other) noexcept {
  if (this != &other) {
    Free();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

bool AlignedBuffer::Allocate(std::size_t size, std::size_t alignment) {
  Free();
  // posix_memalign wants a power of two that is a multiple of sizeof(void*).
  std::size_t effective = std::bit_ceil(std::max(alignment, sizeof(void*)));
  if (size >= kHugePage) effective = std::max(effective, kHugePage);
  void* memory = nullptr;
  if (size == 0 || posix_memalign(&memory, effective, size) != 0) return false;
  // Advice only: without huge pages the block works the same.
  if (size >= kHugePage) madvise(memory, size / kHugePage * kHugePage, MADV_HUGEPAGE);
  data_ = static_cast<std::uint8_t*>(memory);
  size_ = size;
  return true;
}

void AlignedBuffer::Free() {
  std::free(data_);
  data_ = nullptr;
  size_ = 0;
}

bool IsAligned(const void* address, std::size_t alignment) {
  return alignment <= 1 || reinterpret_cast<std::uintptr_t>(address) % alignment == 0;
}

}  // namespace zeb::sys
