// Splits an H.264 Annex B byte stream (ISO/IEC 14496-10 Annex B) at its
// 00 00 01 start codes. A NAL unit never ends in a zero byte (emulation
// prevention sees to that), so the zero bytes before a start code (the
// zero_byte of a four-byte start code, trailing_zero_8bits) are left out of
// the unit before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zeb::media {

class StartCodeScanner {
 public:
  explicit StartCodeScanner(std::span<const uint8_t> stream) : stream_(stream) {}

  // Where the unit after the first start code at or after `from` begins (the
  // byte after its 01), or nothing. Only the bytes up to that start code are
  // looked at.
  std::optional<size_t> FindUnitStart(size_t from) const;

  // The next non-empty unit; nothing once every unit was handed out. Bytes
  // before the first start code belong to no unit.
  std::optional<std::span<const uint8_t>> Next();

 private:
  std::span<const uint8_t> stream_;
  std::optional<size_t> next_;  // start of the next unit
  bool started_ = false;
};

}  // namespace zeb::media
