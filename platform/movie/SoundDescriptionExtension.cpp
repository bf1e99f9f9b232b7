#include "platform/movie/SoundDescriptionExtension.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <span>

#include "platform/movie/AtomHeader.h"
#include "platform/movie/ByteWriter.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/SampleDescriptionOrder.h"

namespace zeb::movie {

namespace {

std::span<uint8_t> BytesOf(Handle handle) { return {*handle, GetHandleSize(handle)}; }

// The bytes that the description's size word covers, clamped to the handle.
size_t DescribedSize(std::span<const uint8_t> bytes) {
  return std::min<size_t>(NativeDescriptionSize(bytes), bytes.size());
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
  const size_t begin = SoundDescriptionHeaderSize(NativeDescriptionVersion(bytes));
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
  ByteWriter atom;
  atom.Begin(type);
  atom.PutBytes({*extension, payloadSize});
  atom.End();
  ZEB_MOVIE_TRY(SetHandleSize(description, newSize));
  const std::span<uint8_t> bytes = BytesOf(description);
  std::copy(atom.Bytes().begin(), atom.Bytes().end(), bytes.subspan(oldSize).begin());
  SetNativeDescriptionSize(bytes, static_cast<uint32_t>(newSize));
  return Status::Ok();
}

}  // namespace zeb::movie
