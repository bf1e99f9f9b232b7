// SHA-256 (libavutil's), to compare sample bytes with ffprobe's data hashes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zeb::test {

// Lower-case hex digest of `bytes`.
std::string Sha256Hex(std::span<const uint8_t> bytes);

}  // namespace zeb::test
