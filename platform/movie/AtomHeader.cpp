#include "platform/movie/AtomHeader.h"

#include "platform/movie/FourCC.h"

namespace zeb::movie {

namespace {

std::string ChildPath(const std::string& parentPath, uint32_t type) {
  return parentPath.empty() ? FourCCToString(type) : parentPath + "/" + FourCCToString(type);
}

}  // namespace

Status ParseAtomHeader(std::span<const uint8_t> bytes, uint64_t bytesLeft, uint64_t fileOffset,
                       const std::string& parentPath, bool atFileLevel,
                       std::optional<AtomHeader>& header) {
  header.reset();
  if (bytesLeft < 8 || bytes.size() < 8) return Status::Ok();

  ByteReader fields(bytes, fileOffset, parentPath);
  AtomHeader result;
  uint32_t size32 = 0;
  ZEB_MOVIE_TRY(fields.ReadU32(size32));
  ZEB_MOVIE_TRY(fields.ReadU32(result.type));
  result.fileOffset = fileOffset;
  result.path = ChildPath(parentPath, result.type);
  result.headerSize = 8;
  if (size32 == 1) {
    if (bytesLeft < 16 || !fields.ReadU64(result.size).IsOk()) {
      return Status::Error(atFileLevel ? StatusCode::kTruncated : StatusCode::kInvalid,
                           "64-bit atom size does not fit", result.path, fileOffset);
    }
    result.headerSize = 16;
  } else if (size32 == 0) {
    result.size = bytesLeft;
  } else {
    result.size = size32;
  }
  if (result.size < result.headerSize) {
    return Status::Error(StatusCode::kInvalid,
                         "atom size " + std::to_string(result.size) + " is smaller than its header",
                         result.path, fileOffset);
  }
  if (result.size > bytesLeft) {
    return Status::Error(atFileLevel ? StatusCode::kTruncated : StatusCode::kInvalid,
                         "atom size " + std::to_string(result.size) + " exceeds the " +
                             std::to_string(bytesLeft) + " bytes left in its parent",
                         result.path, fileOffset);
  }
  header = std::move(result);
  return Status::Ok();
}

Status NextChild(ByteReader& parent, std::optional<AtomHeader>& header, ByteReader& payload) {
  ZEB_MOVIE_TRY(ParseAtomHeader(parent.Rest(), parent.Remaining(), parent.CursorFileOffset(),
                                parent.Path(), false, header));
  if (!header) return parent.Skip(parent.Remaining());
  if (parent.Depth() + 1 > kMaxAtomDepth) {
    header.reset();
    return Status::Error(StatusCode::kInvalid,
                         "atoms nested deeper than " + std::to_string(kMaxAtomDepth) + " levels",
                         parent.Path(), parent.CursorFileOffset());
  }
  ByteReader whole;
  ZEB_MOVIE_TRY(parent.Slice(static_cast<size_t>(header->size), whole));
  ZEB_MOVIE_TRY(whole.Skip(header->headerSize));
  payload = ByteReader(whole.Rest(), whole.CursorFileOffset(), header->path, parent.Depth() + 1);
  return Status::Ok();
}

}  // namespace zeb::movie
