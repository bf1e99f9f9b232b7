// The one bounds-checked cursor through which every file byte is parsed.
// Reads are big-endian, fail rather than run past the end, and never move
// the cursor when they fail. A reader knows its atom path, nesting depth and
// file offset, so every failure it reports says where it happened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/movie/Status.h"

namespace zeb::movie {

class ByteReader {
 public:
  ByteReader() = default;
  // `fileOffset` is the file position of bytes[0]; `path` the atom path of
  // the bytes ("moov/trak"); `depth` their nesting level (top level = 0).
  ByteReader(std::span<const uint8_t> bytes, uint64_t fileOffset, std::string path, int depth = 0)
      : bytes_(bytes), fileOffset_(fileOffset), path_(std::move(path)), depth_(depth) {}

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
  // Fields in machine order: the header of a sample description as callers
  // hold it in a handle, not as the file stores it.
  [[nodiscard]] Status ReadNativeU16(uint16_t& value);
  [[nodiscard]] Status ReadNativeU32(uint32_t& value);
  // A view of the next `count` bytes; the cursor moves past them.
  [[nodiscard]] Status ReadBytes(size_t count, std::span<const uint8_t>& bytes);
  [[nodiscard]] Status Skip(uint64_t count);
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
  [[nodiscard]] Status ReadBigEndian(size_t width, uint64_t& value);

  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
  uint64_t fileOffset_ = 0;
  std::string path_;
  int depth_ = 0;
};

}  // namespace zeb::movie
