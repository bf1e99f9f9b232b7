// A heap block whose address is a multiple of a given alignment, as unbuffered
// reads demand of their destination. Move-only; the memory is freed with it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zeb::sys {

class AlignedBuffer {
 public:
  AlignedBuffer() = default;
  ~AlignedBuffer();
  AlignedBuffer(AlignedBuffer&& other) noexcept;
  AlignedBuffer& operator=(AlignedBuffer&& other) noexcept;
  AlignedBuffer(const AlignedBuffer&) = delete;
  AlignedBuffer& operator=(const AlignedBuffer&) = delete;

  // Replaces the block (old content is not kept) with size bytes aligned to
  // at least alignment, which is rounded up to a power of two. On failure the
  // buffer is left empty and false is returned. Blocks of 2 MiB or more are
  // 2 MiB-aligned and ask for transparent huge pages: on some virtual
  // machines a page fault costs as much as copying tens of KiB, and a read
  // buffer is touched page by page once per use.
  [[nodiscard]] bool Allocate(std::size_t size, std::size_t alignment);
  void Free();

  std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return data_ == nullptr; }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// True when address is a multiple of alignment (alignment 0 counts as 1).
bool IsAligned(const void* address, std::size_t alignment);

}  // namespace zeb::sys
