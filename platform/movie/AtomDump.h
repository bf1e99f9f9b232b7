// The atom tree of a movie file as text, one atom a line, for people (zebqt)
// and for readable golden tests:
//   moov @132 size 570
//     trak @240 size 462
//       ...
//           stts @380 size 24 entries 1
// Containers are entered; table atoms show their entry count and sample
// descriptions their format. The walk stops at the first framing error,
// which is returned after the lines that came before it.
#pragma once

#include <string>

#include "platform/movie/ByteSource.h"

namespace zeb::movie {

Status DumpAtomTree(const ByteSource& source, std::string& text);

}  // namespace zeb::movie
