#include "platform/movie/ByteSource.h"

namespace zeb::movie {

Status ByteSource::ReadRanges(std::span<const ByteRange> ranges, std::span<uint8_t> out) const {
  size_t written = 0;
  for (const ByteRange& range : ranges) {
    if (range.size > out.size() - written) {
      return Status::Error(StatusCode::kOutOfRange, "ranges larger than the buffer", {},
                           range.offset);
    }
    ZEB_MOVIE_TRY(ReadAt(range.offset, out.subspan(written, static_cast<size_t>(range.size))));
    written += static_cast<size_t>(range.size);
  }
  return Status::Ok();
}

}  // namespace zeb::movie
