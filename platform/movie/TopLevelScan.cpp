#include "platform/movie/TopLevelScan.h"

#include <algorithm>
#include <array>

#include "platform/movie/FourCC.h"

namespace zeb::movie {

Status FindMoov(const ByteSource& source, AtomHeader& moov) {
    const uint64_t fileSize = source.Size();
    uint64_t offset = 0;
    while (offset < fileSize) {
        std::array<uint8_t, 16> bytes{};
        const auto length = static_cast<size_t>(std::min<uint64_t>(bytes.size(), fileSize - offset));
        const std::span<uint8_t> head(bytes.data(), length);
        ZEB_MOVIE_TRY(source.ReadAt(offset, head));
        std::optional<AtomHeader> header;
        ZEB_MOVIE_TRY(ParseAtomHeader(head, fileSize - offset, offset, {}, true, header));
        if (!header) break;
        if (header->type == FourCC("moov")) {
            moov = *header;
            return Status::Ok();
        }
        offset += header->size;
    }
    return Status::Error(StatusCode::kInvalid, "no movie atom ('moov') in the file");
}

}  // namespace zeb::movie
