#pragma once

#include <cstdint>
#include <span>

namespace zeb::analysis {

// The checked view of a caller's (address, size) pair that every C entry point
// hands to the parsers; a null address counts as no bytes.
inline std::span<const uint8_t> ByteView(const uint8_t* data, uint32_t size) {
  return data ? std::span<const uint8_t>(data, size) : std::span<const uint8_t>();
}

}  // namespace zeb::analysis
