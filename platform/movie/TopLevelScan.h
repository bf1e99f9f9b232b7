// The file-level atoms ('ftyp', 'wide', 'free', 'mdat', 'moov', ...), read
// header by header without loading the file.
#pragma once

#include <optional>
#include <vector>

#include "platform/movie/AtomHeader.h"
#include "platform/movie/ByteSource.h"

namespace zeb::movie {

// The header of the file-level atom at `offset`; empty when fewer than 8
// bytes are left. An atom that passes the end of the file gives kTruncated.
Status ReadTopLevelHeader(const ByteSource& source, uint64_t offset, std::optional<AtomHeader>& header);

// The first 'moov' atom of the file. A file with none gives kInvalid; one
// whose atoms run past its end before a 'moov' was seen gives kTruncated.
Status FindMoov(const ByteSource& source, AtomHeader& moov);

// The payload of a file-level atom, in memory. The header was checked
// against the file's size, so the buffer is one the file justifies.
Status ReadPayload(const ByteSource& source, const AtomHeader& header, std::vector<uint8_t>& payload);

}  // namespace zeb::movie
