#include "platform/movie/SpanWriter.h"

#include <string>

namespace zeb::movie {

Status SpanWriter::Room(size_t count) const {
  if (count > Remaining()) {
    return Status::Error(StatusCode::kOutOfRange, std::to_string(count) + " bytes do not fit the " +
                                                      std::to_string(Remaining()) +
                                                      " left at byte " + std::to_string(position_));
  }
  return Status::Ok();
}

Status SpanWriter::Seek(size_t position) {
  if (position > bytes_.size()) {
    return Status::Error(
        StatusCode::kOutOfRange,
        "cannot seek to byte " + std::to_string(position) + " of " + std::to_string(bytes_.size()));
  }
  position_ = position;
  return Status::Ok();
}

Status SpanWriter::PutBigEndian(size_t width, uint64_t value) {
  if (width == 0 || width > sizeof(value)) {
    return Status::Error(StatusCode::kInvalid,
                         "a big-endian field of " + std::to_string(width) + " bytes");
  }
  ZEB_MOVIE_TRY(Room(width));
  for (size_t i = width; i-- > 0; value >>= 8) bytes_[position_ + i] = static_cast<uint8_t>(value);
  position_ += width;
  return Status::Ok();
}

Status SpanWriter::PutBytes(std::span<const uint8_t> bytes) {
  ZEB_MOVIE_TRY(Room(bytes.size()));
  if (!bytes.empty()) std::memmove(bytes_.data() + position_, bytes.data(), bytes.size());
  position_ += bytes.size();
  return Status::Ok();
}

Status SpanWriter::PutZeros(size_t count) {
  ZEB_MOVIE_TRY(Room(count));
  std::memset(bytes_.data() + position_, 0, count);
  position_ += count;
  return Status::Ok();
}

Status SpanWriter::Move(size_t from, size_t count) {
  if (from > bytes_.size() || count > bytes_.size() - from) {
    return Status::Error(StatusCode::kOutOfRange, "no " + std::to_string(count) +
                                                      " bytes at byte " + std::to_string(from) +
                                                      " of " + std::to_string(bytes_.size()));
  }
  if (from != position_) return PutBytes(bytes_.subspan(from, count));
  ZEB_MOVIE_TRY(Room(count));  // already in place
  position_ += count;
  return Status::Ok();
}

}  // namespace zeb::movie
