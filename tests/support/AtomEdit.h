// Edits of a movie file's atoms for tests that damage real movies: one atom
// found by its path gets a new payload or goes, and the sizes of the atoms
// that hold it follow. Atoms after it move, so chunk offsets stay right only
// when the edited atom lies after the sample data ('moov' last, as ffmpeg
// writes it).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zeb::test {

// `path` names the atom as the movie layer does: "moov/trak[2]/mdia/minf/
// stbl/stsc", an index (1-based) picking among children of one type. A null
// `payload` removes the atom. Without such an atom the result is empty.
std::vector<uint8_t> WithAtomPayload(std::vector<uint8_t> file, const std::string& path,
                                     const std::optional<std::vector<uint8_t>>& payload);

}  // namespace zeb::test
