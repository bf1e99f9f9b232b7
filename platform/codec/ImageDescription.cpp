#include "platform/codec/ImageDescription.h"

#include <cstring>
#include <optional>
#include <span>

#include "platform/codec/EsDescriptor.h"
#include "platform/codec/ImageCodec.h"
#include "platform/movie/AtomHeader.h"
#include "platform/movie/ByteReader.h"
#include "platform/movie/FourCC.h"

namespace zeb::codec {

namespace {

using zeb::movie::ByteReader;
using zeb::movie::FourCC;
using zeb::movie::Handle;
using zeb::movie::Status;
using zeb::movie::StatusCode;

constexpr size_t kCodecTypeAt = 4;
constexpr size_t kWidthAt = 32;
constexpr size_t kHeightAt = 34;
constexpr size_t kDepthAt = 82;
constexpr size_t kHeaderSize = 86;

std::span<const uint8_t> Bytes(Handle description) {
  return {*description, zeb::movie::GetHandleSize(description)};
}

// The payload of the first extension atom of `type`; the walk stops quietly
// at the end of the list or where its framing breaks (the list ends with a
// 32-bit zero in the media layer's descriptions).
std::optional<std::span<const uint8_t>> FindExtension(std::span<const uint8_t> description,
                                                      uint32_t type) {
  if (description.size() <= kHeaderSize) return std::nullopt;
  ByteReader atoms(description.subspan(kHeaderSize), 0, "stsd/entry", 1);
  for (;;) {
    std::optional<zeb::movie::AtomHeader> header;
    ByteReader payload;
    if (!zeb::movie::NextChild(atoms, header, payload).IsOk() || !header) return std::nullopt;
    if (header->type == type) return payload.Rest();
  }
}

}  // namespace

Status ReadImageDescription(Handle description, DescribedImage& image) {
  if (description == nullptr || *description == nullptr) {
    return Status::Error(StatusCode::kOutOfRange, "no image description");
  }
  const std::span<const uint8_t> bytes = Bytes(description);
  const ByteReader header(bytes);
  int16_t width = 0;
  int16_t height = 0;
  uint16_t depth = 0;
  ZEB_MOVIE_TRY(header.ReadNativeAt(kCodecTypeAt, image.codecType));
  ZEB_MOVIE_TRY(header.ReadNativeAt(kWidthAt, width));
  ZEB_MOVIE_TRY(header.ReadNativeAt(kHeightAt, height));
  ZEB_MOVIE_TRY(header.ReadNativeAt(kDepthAt, depth));
  image.width = width;
  image.height = height;
  image.depth = depth;
  image.configuration.clear();
  if (const auto avcC = FindExtension(bytes, FourCC("avcC"))) {
    image.configuration.assign(avcC->begin(), avcC->end());
  } else if (const auto esds = FindExtension(bytes, FourCC("esds"))) {
    ZEB_MOVIE_TRY(DecoderSpecificInfo(*esds, image.configuration));
  } else if (const auto glbl = FindExtension(bytes, FourCC("glbl"))) {
    image.configuration.assign(glbl->begin(), glbl->end());
  }
  return Status::Ok();
}

Status GetImageDescriptionExtension(Handle description, uint32_t type, Handle& extension) {
  extension = nullptr;
  if (description == nullptr || *description == nullptr) {
    return Status::Error(StatusCode::kOutOfRange, "no image description");
  }
  const auto payload = FindExtension(Bytes(description), type);
  if (!payload) return Status::Error(StatusCode::kNotFound, "no such extension");
  extension = zeb::movie::NewHandle(payload->size());
  if (extension == nullptr) return Status::Error(StatusCode::kNoMemory, "extension copy");
  if (!payload->empty()) std::memcpy(*extension, payload->data(), payload->size());
  return Status::Ok();
}

}  // namespace zeb::codec
