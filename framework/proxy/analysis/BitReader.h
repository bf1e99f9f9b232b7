#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zeb::analysis {

// Reads a bit string most significant bit first. Every read is checked against
// the end of the bytes and fails, leaving the value untouched, rather than run
// past it. For H.264 payloads the reader drops each emulation-prevention byte
// (the 0x03 of 00 00 03, ITU-T H.264 clause 7.4.1) as it goes, so parsers see
// the RBSP without a copy being made.
class BitReader {
 public:
  enum class Escaping { kNone, kH264 };

  explicit BitReader(std::span<const uint8_t> bytes, Escaping escaping = Escaping::kNone);

  // count is 0 to 32.
  [[nodiscard]] bool ReadBits(unsigned count, uint32_t* value);
  [[nodiscard]] bool ReadFlag(bool* value);
  // Exp-Golomb ue(v) and se(v); codes longer than 32 bits fail.
  [[nodiscard]] bool ReadUe(uint32_t* value);
  [[nodiscard]] bool ReadSe(int32_t* value);
  [[nodiscard]] bool SkipBits(uint64_t count);

 private:
  [[nodiscard]] bool ReadBit(uint32_t* bit);
  [[nodiscard]] bool LoadNextByte();

  std::span<const uint8_t> bytes_;
  Escaping escaping_;
  size_t nextByte_ = 0;    // index of the next byte to load
  uint32_t current_ = 0;   // the byte being read
  unsigned bitsLeft_ = 0;  // unread bits of current_
  unsigned zeroRun_ = 0;   // zero bytes loaded in a row (for emulation prevention)
};

}  // namespace zeb::analysis
