#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zeb::analysis {

// Splits a byte string at its 00 00 01 start codes (MPEG video start codes and
// H.264 Annex B byte streams alike). Bytes before the first start code are
// skipped. A unit runs from the byte after 00 00 01 up to the next start code;
// the zero byte of a following four-byte start code stays at its end, which no
// header parser reaches.
class StartCodeScanner {
 public:
  explicit StartCodeScanner(std::span<const uint8_t> bytes);

  // The next unit, never empty; nullopt when none is left.
  std::optional<std::span<const uint8_t>> Next();

 private:
  // Index of the byte after the first 00 00 01 that starts at or after `from`.
  std::optional<size_t> FindUnitStart(size_t from) const;

  std::span<const uint8_t> bytes_;
  std::optional<size_t> unitStart_;  // nullopt once every unit was handed out
};

}  // namespace zeb::analysis
