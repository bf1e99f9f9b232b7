#include "platform/movie/SoundDescriptionExtension.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <span>

#include "platform/movie/AtomHeader.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/SampleDescriptionOrder.h"

namespace zeb::movie {

namespace {

constexpr size_t kVersionOffset = 16;

std::span<uint8_t> BytesOf(Handle handle) { return {*handle, GetHandleSize(handle)}; }

template <typename T>
T NativeAt(std::span<const uint8_t> bytes, size_t offset) {
  T value{};
  if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

// The bytes that the description's size word covers, clamped to the handle.
size_t DescribedSize(std::span<const uint8_t> bytes) {
  return std::min<size_t>(NativeAt<uint32_t>(bytes, 0), bytes.size());
}

Status CheckDescription(Handle description) {
  if (description == nullptr || GetHandleSize(description) < kSampleEntryHeaderSize) {
    return Status::Error(StatusCode::kOutOfRange, "not a sound description");
  }
  return Status::Ok();
}

}  // namespace

Status GetSoundDescriptionExtension(Handle description, uint32_t type, Handle& extension) {
  extension = nullptr;
  ZEB_MOVIE_TRY(CheckDescription(description));
  const std::span<const uint8_t> bytes = BytesOf(description);
  const size_t begin = SoundDescriptionHeaderSize(NativeAt<uint16_t>(bytes, kVersionOffset));
  const size_t end = DescribedSize(bytes);
  if (begin < end) {
    ByteReader atoms(bytes.subspan(begin, end - begin), begin, "sound description");
    for (;;) {
      std::optional<AtomHeader> header;
      ByteReader payload;
      ZEB_MOVIE_TRY(NextChild(atoms, header, payload));
      if (!header) break;
      if (header->type != type) continue;
      extension = NewHandle(payload.Remaining());
      if (extension == nullptr)
        return Status::Error(StatusCode::kNoMemory, "no memory for an extension");
      std::copy_n(payload.Rest().begin(), payload.Remaining(), *extension);
      return Status::Ok();
    }
  }
  return Status::Error(StatusCode::kNotFound, "no '" + FourCCToString(type) + "' extension");
}

Status AddSoundDescriptionExtension(Handle description, Handle extension, uint32_t type) {
  ZEB_MOVIE_TRY(CheckDescription(description));
  if (extension == nullptr) return Status::Error(StatusCode::kOutOfRange, "null extension");
  const size_t oldSize = DescribedSize(BytesOf(description));
  const size_t payloadSize = GetHandleSize(extension);
  const size_t newSize = oldSize + 8 + payloadSize;
  if (newSize > std::numeric_limits<uint32_t>::max()) {
    return Status::Error(StatusCode::kOutOfRange, "sound description would pass 4 GiB");
  }
  ZEB_MOVIE_TRY(SetHandleSize(description, newSize));
  const std::span<uint8_t> bytes = BytesOf(description);
  const auto atomSize = static_cast<uint32_t>(8 + payloadSize);
  for (int i = 0; i < 4; ++i) {
    bytes[oldSize + i] = static_cast<uint8_t>(atomSize >> (24 - 8 * i));
    bytes[oldSize + 4 + i] = static_cast<uint8_t>(type >> (24 - 8 * i));
  }
  std::copy_n(*extension, payloadSize, bytes.begin() + static_cast<std::ptrdiff_t>(oldSize + 8));
  const auto describedSize = static_cast<uint32_t>(newSize);
  std::memcpy(bytes.data(), &describedSize, sizeof describedSize);
  return Status::Ok();
}

}  // namespace zeb::movie
