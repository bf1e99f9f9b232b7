// The one checked writer for rewrites in place: a cursor over a caller's
// bytes (a frame buffer, a sample description) that fails rather than write
// past their end, and never moves when it fails. Numbers are big-endian
// unless named native, as ByteReader reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>

#include "platform/movie/Status.h"

namespace zeb::movie {

class SpanWriter {
 public:
  explicit SpanWriter(std::span<uint8_t> bytes) : bytes_(bytes) {}

  size_t Size() const { return bytes_.size(); }
  size_t Position() const { return position_; }
  size_t Remaining() const { return bytes_.size() - position_; }

  // Moves the cursor to `position` (at most Size()) from the start.
  [[nodiscard]] Status Seek(size_t position);
  [[nodiscard]] Status PutU8(uint8_t value) { return PutBigEndian(1, value); }
  [[nodiscard]] Status PutU16(uint16_t value) { return PutBigEndian(2, value); }
  [[nodiscard]] Status PutU32(uint32_t value) { return PutBigEndian(4, value); }
  // The low `width` bytes (1 to 8) of `value`, most significant first.
  [[nodiscard]] Status PutBigEndian(size_t width, uint64_t value);
  // A header field in the machine's order (sample description headers).
  template <typename T>
  requires std::is_arithmetic_v<T>
  [[nodiscard]] Status PutNative(T value);
  [[nodiscard]] Status PutBytes(std::span<const uint8_t> bytes);
  [[nodiscard]] Status PutZeros(size_t count);
  // Copies the `count` bytes found at `from` to the cursor and moves past
  // them; the two ranges may overlap.
  [[nodiscard]] Status Move(size_t from, size_t count);

 private:
  // Fails unless `count` bytes fit from the cursor.
  [[nodiscard]] Status Room(size_t count) const;

  std::span<uint8_t> bytes_;
  size_t position_ = 0;
};

template <typename T>
requires std::is_arithmetic_v<T> Status SpanWriter::PutNative(T value) {
  ZEB_MOVIE_TRY(Room(sizeof(T)));
  std::memcpy(bytes_.data() + position_, &value, sizeof(T));
  position_ += sizeof(T);
  return Status::Ok();
}

}  // namespace zeb::movie
