// Atom framing (ISO/IEC 14496-12 clause 4.2, QuickTime "atoms"). Every rule
// about atom headers lives in ParseAtomHeader:
//   size 0  = the atom runs to the end of its parent (or of the file);
//   size 1  = a 64-bit size follows the type;
//   a size smaller than the header, or larger than what is left of the
//   parent, is an error; fewer than 8 bytes left in a parent are padding;
//   nesting stops at kMaxAtomDepth.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/movie/ByteReader.h"

namespace zeb::movie {

inline constexpr int kMaxAtomDepth = 16;

struct AtomHeader {
  uint32_t type = 0;
  uint64_t size = 0;        // whole atom, header included
  uint32_t headerSize = 0;  // 8, or 16 with a 64-bit size
  uint64_t fileOffset = 0;  // of the atom's first byte
  std::string path;         // "moov/trak/tkhd"

  uint64_t PayloadSize() const { return size - headerSize; }
};

// Decodes the header at the start of `bytes` (at most 16 bytes are looked at)
// of an atom that may use `bytesLeft` bytes up to its parent's end. `header`
// stays empty when fewer than 8 bytes are left. An atom that passes the end of
// the file (`atFileLevel`) is kTruncated; one that passes its parent, kInvalid.
Status ParseAtomHeader(std::span<const uint8_t> bytes, uint64_t bytesLeft, uint64_t fileOffset,
                       const std::string& parentPath, bool atFileLevel,
                       std::optional<AtomHeader>& header);

// The next child of `parent`: its header, and a reader cut to its payload
// (one level deeper). `parent` moves past the whole child, whatever the
// caller does with it. `header` stays empty at the end of the parent.
Status NextChild(ByteReader& parent, std::optional<AtomHeader>& header, ByteReader& payload);

}  // namespace zeb::movie
