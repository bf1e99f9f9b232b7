#include "platform/movie/ByteWriter.h"

#include <limits>

namespace zeb::movie {

void ByteWriter::PutU16(uint16_t value) {
  PutU8(static_cast<uint8_t>(value >> 8));
  PutU8(static_cast<uint8_t>(value));
}

void ByteWriter::PutU24(uint32_t value) {
  PutU8(static_cast<uint8_t>(value >> 16));
  PutU16(static_cast<uint16_t>(value));
}

void ByteWriter::PutU32(uint32_t value) {
  PutU16(static_cast<uint16_t>(value >> 16));
  PutU16(static_cast<uint16_t>(value));
}

void ByteWriter::PutU64(uint64_t value) {
  PutU32(static_cast<uint32_t>(value >> 32));
  PutU32(static_cast<uint32_t>(value));
}

void ByteWriter::PutBytes(std::span<const uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void ByteWriter::PutZeros(size_t count) { bytes_.resize(bytes_.size() + count, 0); }

void ByteWriter::Begin(uint32_t code) {
  open_.push_back(bytes_.size());
  PutU32(0);
  PutU32(code);
}

void ByteWriter::BeginFull(uint32_t code, uint8_t version, uint32_t flags) {
  Begin(code);
  PutU8(version);
  PutU24(flags);
}

void ByteWriter::End() {
  if (open_.empty()) {
    ok_ = false;
    return;
  }
  const size_t start = open_.back();
  open_.pop_back();
  const size_t size = bytes_.size() - start;
  if (size > std::numeric_limits<uint32_t>::max()) {
    ok_ = false;
    return;
  }
  PatchU32(start, static_cast<uint32_t>(size));
}

void ByteWriter::PatchU32(size_t at, uint32_t value) {
  bytes_[at] = static_cast<uint8_t>(value >> 24);
  bytes_[at + 1] = static_cast<uint8_t>(value >> 16);
  bytes_[at + 2] = static_cast<uint8_t>(value >> 8);
  bytes_[at + 3] = static_cast<uint8_t>(value);
}

}  // namespace zeb::movie
