#include "framework/proxy/analysis/BitReader.h"

namespace zeb::analysis {

namespace {
constexpr unsigned kMaxExpGolombPrefix = 31;
}  // namespace

BitReader::BitReader(std::span<const uint8_t> bytes, Escaping escaping)
    : bytes_(bytes), escaping_(escaping) {}

bool BitReader::LoadNextByte() {
  if (nextByte_ >= bytes_.size()) return false;
  uint8_t byte = bytes_[nextByte_++];
  if (escaping_ == Escaping::kH264 && zeroRun_ >= 2 && byte == 0x03) {
    zeroRun_ = 0;
    if (nextByte_ >= bytes_.size()) return false;
    byte = bytes_[nextByte_++];
  }
  zeroRun_ = byte == 0 ? zeroRun_ + 1 : 0;
  current_ = byte;
  bitsLeft_ = 8;
  return true;
}

bool BitReader::ReadBit(uint32_t* bit) {
  if (bitsLeft_ == 0 && !LoadNextByte()) return false;
  --bitsLeft_;
  *bit = (current_ >> bitsLeft_) & 1u;
  return true;
}

bool BitReader::ReadBits(unsigned count, uint32_t* value) {
  if (count > 32) return false;
  uint64_t result = 0;
  for (unsigned i = 0; i < count; ++i) {
    uint32_t bit = 0;
    if (!ReadBit(&bit)) return false;
    result = (result << 1) | bit;
  }
  *value = static_cast<uint32_t>(result);
  return true;
}

bool BitReader::ReadFlag(bool* value) {
  uint32_t bit = 0;
  if (!ReadBit(&bit)) return false;
  *value = bit != 0;
  return true;
}

bool BitReader::ReadUe(uint32_t* value) {
  unsigned leadingZeros = 0;
  for (;;) {
    uint32_t bit = 0;
    if (!ReadBit(&bit)) return false;
    if (bit != 0) break;
    if (++leadingZeros > kMaxExpGolombPrefix) return false;
  }
  uint32_t suffix = 0;
  if (!ReadBits(leadingZeros, &suffix)) return false;
  *value = static_cast<uint32_t>((uint64_t{1} << leadingZeros) - 1 + suffix);
  return true;
}

bool BitReader::ReadSe(int32_t* value) {
  uint32_t code = 0;
  if (!ReadUe(&code)) return false;
  // 1, 2, 3, 4 ... map to 1, -1, 2, -2 ...
  const int64_t magnitude = (int64_t{code} + 1) / 2;
  *value = static_cast<int32_t>((code & 1u) ? magnitude : -magnitude);
  return true;
}

bool BitReader::SkipBits(uint64_t count) {
  for (uint64_t i = 0; i < count; ++i) {
    uint32_t bit = 0;
    if (!ReadBit(&bit)) return false;
  }
  return true;
}

}  // namespace zeb::analysis
