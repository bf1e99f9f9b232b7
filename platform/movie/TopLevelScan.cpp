#include "platform/movie/TopLevelScan.h"

#include <algorithm>
#include <array>

#include "platform/movie/FourCC.h"

namespace zeb::movie {

namespace {

Status ReadTopLevelHeader(const ByteSource& source, uint64_t offset,
                          std::optional<AtomHeader>& header) {
  header.reset();
  const uint64_t fileSize = source.Size();
  if (offset >= fileSize) return Status::Ok();
  std::array<uint8_t, 16> bytes{};
  const auto length = static_cast<size_t>(std::min<uint64_t>(bytes.size(), fileSize - offset));
  const std::span<uint8_t> head(bytes.data(), length);
  ZEB_MOVIE_TRY(source.ReadAt(offset, head));
  return ParseAtomHeader(head, fileSize - offset, offset, {}, true, header);
}

}  // namespace

Status ForEachTopLevelAtom(
    const ByteSource& source,
    const std::function<Status(const AtomHeader& header, bool& stop)>& visit) {
  uint64_t offset = 0;
  for (uint64_t count = 0;; ++count) {
    std::optional<AtomHeader> header;
    ZEB_MOVIE_TRY(ReadTopLevelHeader(source, offset, header));
    if (!header) return Status::Ok();
    if (count == kMaxTopLevelAtoms) {
      return Status::Error(
          StatusCode::kInvalid,
          "more than " + std::to_string(kMaxTopLevelAtoms) + " atoms at the file level", {},
          offset);
    }
    bool stop = false;
    ZEB_MOVIE_TRY(visit(*header, stop));
    if (stop) return Status::Ok();
    offset += header->size;
  }
}

Status FindMoov(const ByteSource& source, AtomHeader& moov) {
  bool found = false;
  ZEB_MOVIE_TRY(ForEachTopLevelAtom(source, [&](const AtomHeader& header, bool& stop) {
    found = stop = header.type == FourCC("moov");
    if (found) moov = header;
    return Status::Ok();
  }));
  if (!found) return Status::Error(StatusCode::kInvalid, "no movie atom ('moov') in the file");
  return Status::Ok();
}

Status ReadPayload(const ByteSource& source, const AtomHeader& header,
                   std::vector<uint8_t>& payload) {
  payload.assign(static_cast<size_t>(header.PayloadSize()), 0);
  return source.ReadAt(header.fileOffset + header.headerSize, payload);
}

}  // namespace zeb::movie
