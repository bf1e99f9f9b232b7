#include "platform/movie/ByteReader.h"

#include <bit>

namespace zeb::movie {

Status ByteReader::ReadBigEndian(size_t width, uint64_t& value) {
  if (width == 0 || width > sizeof(value)) {
    return Invalid("a big-endian field of " + std::to_string(width) + " bytes");
  }
  if (Remaining() < width) {
    return Truncated(std::to_string(width) + "-byte field needs " + std::to_string(width) +
                     " bytes, " + std::to_string(Remaining()) + " left");
  }
  uint64_t result = 0;
  for (size_t i = 0; i < width; ++i) result = (result << 8) | bytes_[position_ + i];
  position_ += width;
  value = result;
  return Status::Ok();
}

Status ByteReader::ReadU8(uint8_t& value) {
  uint64_t wide = 0;
  ZEB_MOVIE_TRY(ReadBigEndian(1, wide));
  value = static_cast<uint8_t>(wide);
  return Status::Ok();
}

Status ByteReader::ReadU16(uint16_t& value) {
  uint64_t wide = 0;
  ZEB_MOVIE_TRY(ReadBigEndian(2, wide));
  value = static_cast<uint16_t>(wide);
  return Status::Ok();
}

Status ByteReader::ReadU24(uint32_t& value) {
  uint64_t wide = 0;
  ZEB_MOVIE_TRY(ReadBigEndian(3, wide));
  value = static_cast<uint32_t>(wide);
  return Status::Ok();
}

Status ByteReader::ReadU32(uint32_t& value) {
  uint64_t wide = 0;
  ZEB_MOVIE_TRY(ReadBigEndian(4, wide));
  value = static_cast<uint32_t>(wide);
  return Status::Ok();
}

Status ByteReader::ReadU64(uint64_t& value) { return ReadBigEndian(8, value); }

Status ByteReader::ReadS32(int32_t& value) {
  uint32_t bits = 0;
  ZEB_MOVIE_TRY(ReadU32(bits));
  value = static_cast<int32_t>(bits);
  return Status::Ok();
}

Status ByteReader::ReadS64(int64_t& value) {
  uint64_t bits = 0;
  ZEB_MOVIE_TRY(ReadU64(bits));
  value = static_cast<int64_t>(bits);
  return Status::Ok();
}

Status ByteReader::ReadBytes(size_t count, std::span<const uint8_t>& bytes) {
  if (Remaining() < count) {
    return Truncated("needs " + std::to_string(count) + " bytes, " + std::to_string(Remaining()) +
                     " left");
  }
  bytes = bytes_.subspan(position_, count);
  position_ += count;
  return Status::Ok();
}

Status ByteReader::Skip(uint64_t count) {
  if (Remaining() < count) {
    return Truncated("cannot skip " + std::to_string(count) + " bytes, " +
                     std::to_string(Remaining()) + " left");
  }
  position_ += static_cast<size_t>(count);
  return Status::Ok();
}

Status ByteReader::Seek(size_t position) {
  if (position > bytes_.size()) {
    return Truncated("cannot seek to byte " + std::to_string(position) + " of " +
                     std::to_string(bytes_.size()));
  }
  position_ = position;
  return Status::Ok();
}

Status ByteReader::ReadVersionAndFlags(uint8_t& version, uint32_t& flags) {
  ZEB_MOVIE_TRY(ReadU8(version));
  return ReadU24(flags);
}

Status ByteReader::CheckCount(uint64_t count, uint64_t entrySize, const char* what) const {
  if (entrySize != 0 && count > Remaining() / entrySize) {
    return Invalid(std::string(what) + " count " + std::to_string(count) + " x " +
                   std::to_string(entrySize) + " bytes exceeds the " + std::to_string(Remaining()) +
                   " bytes left");
  }
  return Status::Ok();
}

Status ByteReader::Slice(size_t count, ByteReader& slice) {
  std::span<const uint8_t> bytes;
  const uint64_t start = CursorFileOffset();
  ZEB_MOVIE_TRY(ReadBytes(count, bytes));
  slice = ByteReader(bytes, start, path_, depth_);
  return Status::Ok();
}

Status ByteReader::Invalid(const std::string& message) const {
  return Status::Error(StatusCode::kInvalid, message, path_, CursorFileOffset());
}

Status ByteReader::Truncated(const std::string& message) const {
  return Status::Error(StatusCode::kTruncated, message, path_, CursorFileOffset());
}

}  // namespace zeb::movie
