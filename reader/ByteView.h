// A bounds-checked, read-only view of bytes that came from a file (sample
// descriptions, frames). Every read names its offset and fails instead of
// running past the end; offsets are checked without overflow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ByteView {
 public:
  ByteView() = default;
  ByteView(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

  // True when [offset, offset + length) lies inside the view.
  bool Contains(size_t offset, size_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }

  [[nodiscard]] bool U8(size_t offset, uint8_t& out) const;
  [[nodiscard]] bool Be16(size_t offset, uint16_t& out) const;
  [[nodiscard]] bool Be32(size_t offset, uint32_t& out) const;
  // Header fields that the movie layer hands over in the machine's order.
  [[nodiscard]] bool Native16(size_t offset, uint16_t& out) const;
  [[nodiscard]] bool Native32(size_t offset, uint32_t& out) const;
  [[nodiscard]] bool NativeF64(size_t offset, double& out) const;
  // Replaces `out` with the bytes [offset, offset + length).
  [[nodiscard]] bool CopyTo(size_t offset, size_t length, std::vector<uint8_t>& out) const;

  // The view of [offset, offset + length), or an empty view when it does not
  // lie inside.
  ByteView Sub(size_t offset, size_t length) const;

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};
