// The file-level atoms ('ftyp', 'wide', 'free', 'mdat', 'moov', ...), read
// header by header without loading the file.
#pragma once

#include <functional>
#include <vector>

#include "platform/movie/AtomHeader.h"
#include "platform/movie/ByteSource.h"

namespace zeb::movie {

// Calls `visit` with each file-level atom's header in file order until it
// sets `stop` or returns a failure (which is passed on), or the atoms end.
// An atom that passes the end of the file gives kTruncated. A file of more
// than kMaxTopLevelAtoms atoms is refused rather than walked for ever.
inline constexpr uint64_t kMaxTopLevelAtoms = uint64_t{1} << 20;
Status ForEachTopLevelAtom(
    const ByteSource& source,
    const std::function<Status(const AtomHeader& header, bool& stop)>& visit);

// The first 'moov' atom of the file. A file with none gives kInvalid; one
// whose atoms run past its end before a 'moov' was seen gives kTruncated.
Status FindMoov(const ByteSource& source, AtomHeader& moov);

// The payload of a file-level atom, in memory. The header was checked
// against the file's size, so the buffer is one the file justifies.
Status ReadPayload(const ByteSource& source, const AtomHeader& header,
                   std::vector<uint8_t>& payload);

}  // namespace zeb::movie
