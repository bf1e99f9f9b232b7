// The file-level atoms ('ftyp', 'wide', 'free', 'mdat', 'moov', ...), read
// header by header without loading the file.
#pragma once

#include "platform/movie/AtomHeader.h"
#include "platform/movie/ByteSource.h"

namespace zeb::movie {

// The first 'moov' atom of the file. A file with none gives kInvalid; one
// whose atoms run past its end before a 'moov' was seen gives kTruncated.
Status FindMoov(const ByteSource& source, AtomHeader& moov);

}  // namespace zeb::movie
