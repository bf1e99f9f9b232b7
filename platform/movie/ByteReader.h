// The one bounds-checked cursor through which every file byte is parsed.
// Reads are big-endian unless named native, fail rather than run past the
// end, and never move the cursor when they fail. A reader knows its atom
// path, nesting depth and file offset, so every failure it reports says where
// it happened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <type_traits>

#include "platform/movie/Status.h"

namespace zeb::movie {

class ByteReader {
 public:
  ByteReader() = default;
  // `fileOffset` is the file position of bytes[0]; `path` the atom path of
  // the bytes ("moov/trak"); `depth` their nesting level (top level = 0).
  ByteReader(std::span<const uint8_t> bytes, uint64_t fileOffset, std::string path, int depth = 0)
      : bytes_(bytes), fileOffset_(fileOffset), path_(std::move(path)), depth_(depth) {}
  // Bytes that are not a file's (a description or a frame in memory).
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t Size() const { return bytes_.size(); }
  size_t Remaining() const { return bytes_.size() - position_; }
  size_t Position() const { return position_; }
  uint64_t CursorFileOffset() const { return fileOffset_ + position_; }
  const std::string& Path() const { return path_; }
  int Depth() const { return depth_; }
  // The bytes from the cursor to the end, without moving the cursor.
  std::span<const uint8_t> Rest() const { return bytes_.subspan(position_); }

  [[nodiscard]] Status ReadU8(uint8_t& value);
  [[nodiscard]] Status ReadU16(uint16_t& value);
  [[nodiscard]] Status ReadU24(uint32_t& value);
  [[nodiscard]] Status ReadU32(uint32_t& value);
  [[nodiscard]] Status ReadU64(uint64_t& value);
  [[nodiscard]] Status ReadS32(int32_t& value);
  [[nodiscard]] Status ReadS64(int64_t& value);
  // A big-endian unsigned of `width` bytes (1 to 8).
  [[nodiscard]] Status ReadBigEndian(size_t width, uint64_t& value);
  // Header fields that the media layer hands over in the machine's order
  // (sample description headers); `T` is an integer or floating-point type.
  template <typename T>
  requires std::is_arithmetic_v<T>
  [[nodiscard]] Status ReadNative(T& value);
  // The same field at `offset` from the start; the cursor stays.
  template <typename T>
  requires std::is_arithmetic_v<T>
  [[nodiscard]] Status ReadNativeAt(size_t offset, T& value) const;
  // A view of the next `count` bytes; the cursor moves past them.
  [[nodiscard]] Status ReadBytes(size_t count, std::span<const uint8_t>& bytes);
  [[nodiscard]] Status Skip(uint64_t count);
  // Moves the cursor to `position` (at most Size()) from the start.
  [[nodiscard]] Status Seek(size_t position);
  // ISO/IEC 14496-12 FullBox: 8-bit version, 24-bit flags.
  [[nodiscard]] Status ReadVersionAndFlags(uint8_t& version, uint32_t& flags);
  // Succeeds when `count` entries of `entrySize` bytes fit in what is left;
  // checked before any table is allocated, so a lying count costs nothing.
  [[nodiscard]] Status CheckCount(uint64_t count, uint64_t entrySize, const char* what) const;
  // A reader over the next `count` bytes, same path and depth; the cursor
  // moves past them.
  [[nodiscard]] Status Slice(size_t count, ByteReader& slice);

  Status Invalid(const std::string& message) const;
  Status Truncated(const std::string& message) const;

 private:
  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
  uint64_t fileOffset_ = 0;
  std::string path_;
  int depth_ = 0;
};

template <typename T>
requires std::is_arithmetic_v<T> Status ByteReader::ReadNative(T& value) {
  std::span<const uint8_t> bytes;
  ZEB_MOVIE_TRY(ReadBytes(sizeof(T), bytes));
  std::memcpy(&value, bytes.data(), sizeof(T));
  return Status::Ok();
}

template <typename T>
requires std::is_arithmetic_v<T> Status ByteReader::ReadNativeAt(size_t offset, T& value)
const {
  if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) {
    return Truncated("no " + std::to_string(sizeof(T)) + "-byte field at byte " +
                     std::to_string(offset) + " of " + std::to_string(bytes_.size()));
  }
  std::memcpy(&value, bytes_.data() + offset, sizeof(T));
  return Status::Ok();
}

}  // namespace zeb::movie
