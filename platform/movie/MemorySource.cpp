#include "platform/movie/MemorySource.h"

#include <algorithm>

namespace zeb::movie {

Status MemorySource::ReadAt(uint64_t offset, std::span<uint8_t> out) const {
  if (offset > bytes_.size() || out.size() > bytes_.size() - offset) {
    return Status::Error(
        StatusCode::kTruncated,
        "read of " + std::to_string(out.size()) + " bytes passes the end of the data", {}, offset);
  }
  std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
  return Status::Ok();
}

}  // namespace zeb::movie
