#include "platform/movie/TopLevelScan.h"

#include <algorithm>
#include <array>

#include "platform/movie/FourCC.h"

namespace zeb::movie {

Status ReadTopLevelHeader(const ByteSource& source, uint64_t offset, std::optional<AtomHeader>& header) {
    header.reset();
    const uint64_t fileSize = source.Size();
    if (offset >= fileSize) return Status::Ok();
    std::array<uint8_t, 16> bytes{};
    const auto length = static_cast<size_t>(std::min<uint64_t>(bytes.size(), fileSize - offset));
    const std::span<uint8_t> head(bytes.data(), length);
    ZEB_MOVIE_TRY(source.ReadAt(offset, head));
    return ParseAtomHeader(head, fileSize - offset, offset, {}, true, header);
}

Status FindMoov(const ByteSource& source, AtomHeader& moov) {
    uint64_t offset = 0;
    for (;;) {
        std::optional<AtomHeader> header;
        ZEB_MOVIE_TRY(ReadTopLevelHeader(source, offset, header));
        if (!header) break;
        if (header->type == FourCC("moov")) {
            moov = *header;
            return Status::Ok();
        }
        offset += header->size;
    }
    return Status::Error(StatusCode::kInvalid, "no movie atom ('moov') in the file");
}

Status ReadPayload(const ByteSource& source, const AtomHeader& header, std::vector<uint8_t>& payload) {
    payload.assign(static_cast<size_t>(header.PayloadSize()), 0);
    return source.ReadAt(header.fileOffset + header.headerSize, payload);
}

}  // namespace zeb::movie
