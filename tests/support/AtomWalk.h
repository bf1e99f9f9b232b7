// The atoms of a movie's bytes, for tests that check what a writer stored or
// damage a real movie: a big-endian field, the children of a range, the
// atoms at a path, and one atom's payload replaced or removed with the sizes
// of the atoms that hold it following. Atoms after an edited one move, so
// chunk offsets stay right only when it lies after the sample data ('moov'
// last, as ffmpeg writes it).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zeb::test {

// The big-endian field of `width` bytes (up to 8) at `at`; 0 past the end.
uint64_t BigEndian(std::span<const uint8_t> bytes, size_t at, size_t width = 4);

struct AtomInfo {
  uint32_t type = 0;
  uint64_t offset = 0;      // of the header, from the start of the bytes or file
  uint64_t size = 0;        // whole atom
  uint64_t headerSize = 8;  // 16 with a 64-bit size
};

// The atoms from `begin` to `end`, up to the first that breaks the framing.
std::vector<AtomInfo> ChildAtoms(std::span<const uint8_t> bytes, uint64_t begin, uint64_t end);
// The top-level atoms of a file, read header by header (files past 4 GiB).
std::vector<AtomInfo> TopLevelAtoms(const std::string& path);

// The atoms at `path` from the start of `bytes` ("moov/trak/mdia/minf/stbl"),
// in file order; "trak[2]" picks the second 'trak' of its parent (1-based),
// a name without an index every one.
std::vector<AtomInfo> FindAtoms(std::span<const uint8_t> bytes, const std::string& path);
// Their payloads, after the header.
std::vector<std::vector<uint8_t>> AtomPayloads(std::span<const uint8_t> bytes,
                                               const std::string& path);

// The file with the first atom at `path` given `payload`, or removed when
// `payload` is null; empty without such an atom.
std::vector<uint8_t> WithAtomPayload(std::vector<uint8_t> file, const std::string& path,
                                     const std::optional<std::vector<uint8_t>>& payload);

// The 'moov' atom of a file, and the first entry of each track's 'stsd' as stored.
std::vector<uint8_t> MoovBytes(const std::string& path);
std::vector<std::vector<uint8_t>> StsdEntries(const std::string& path);

}  // namespace zeb::test
