#include "reader/ByteView.h"

#include <cstring>

bool ByteView::U8(size_t offset, uint8_t& out) const {
  if (!Contains(offset, 1)) return false;
  out = data_[offset];
  return true;
}

bool ByteView::Be16(size_t offset, uint16_t& out) const {
  if (!Contains(offset, 2)) return false;
  out = static_cast<uint16_t>((data_[offset] << 8) | data_[offset + 1]);
  return true;
}

bool ByteView::Be32(size_t offset, uint32_t& out) const {
  if (!Contains(offset, 4)) return false;
  out = (uint32_t{data_[offset]} << 24) | (uint32_t{data_[offset + 1]} << 16) |
        (uint32_t{data_[offset + 2]} << 8) | uint32_t{data_[offset + 3]};
  return true;
}

bool ByteView::Native16(size_t offset, uint16_t& out) const {
  if (!Contains(offset, sizeof(out))) return false;
  std::memcpy(&out, data_ + offset, sizeof(out));
  return true;
}

bool ByteView::Native32(size_t offset, uint32_t& out) const {
  if (!Contains(offset, sizeof(out))) return false;
  std::memcpy(&out, data_ + offset, sizeof(out));
  return true;
}

bool ByteView::NativeF64(size_t offset, double& out) const {
  if (!Contains(offset, sizeof(out))) return false;
  std::memcpy(&out, data_ + offset, sizeof(out));
  return true;
}

bool ByteView::CopyTo(size_t offset, size_t length, std::vector<uint8_t>& out) const {
  if (!Contains(offset, length)) return false;
  out.assign(data_ + offset, data_ + offset + length);
  return true;
}

ByteView ByteView::Sub(size_t offset, size_t length) const {
  if (!Contains(offset, length)) return {};
  return ByteView(data_ + offset, length);
}
