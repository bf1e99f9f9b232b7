#include "reader/MediaMeasures.h"

#include <cstring>

#include "platform/movie/Handle.h"

uint32_t MediaBitRate(const zeb::movie::Media& media, uint32_t fallback) {
  const uint64_t duration = media.Duration();
  int64_t bytes = 0;
  if (duration == 0 || duration > INT64_MAX ||
      !media.GetDataSize(0, static_cast<int64_t>(duration), bytes).IsOk()) {
    return fallback;
  }
  // Wide enough that no real media overflows before the truncation.
  const __int128 bits = static_cast<__int128>(bytes) * media.TimeScale() * 8;
  return static_cast<uint32_t>(static_cast<uint64_t>(bits / static_cast<__int128>(duration)));
}

std::vector<uint8_t> CopySampleDescription(const zeb::movie::Media& media, uint32_t index) {
  std::vector<uint8_t> bytes;
  zeb::movie::Handle handle = zeb::movie::NewHandle(0);
  if (handle == nullptr) return bytes;
  if (media.GetSampleDescription(index, handle).IsOk()) {
    const size_t size = zeb::movie::GetHandleSize(handle);
    bytes.resize(size);
    if (size != 0) std::memcpy(bytes.data(), *handle, size);
  }
  zeb::movie::DisposeHandle(handle);
  return bytes;
}
