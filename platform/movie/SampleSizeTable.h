// Sample sizes from 'stsz' or 'stz2' (ISO/IEC 14496-12 clause 8.7.3): one
// constant, or the table's own big-endian entries (4, 8, 16 or 32 bits each)
// kept as stored, plus a running total every 64 samples so that the bytes of
// any range of samples are found in constant time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zeb::movie {

class SampleSizeTable {
 public:
  SampleSizeTable() = default;
  static SampleSizeTable Constant(uint32_t size, uint64_t count);
  // `entries` holds exactly count × fieldBits / 8 bytes (rounded up).
  static SampleSizeTable Stored(uint8_t fieldBits, uint64_t count, std::vector<uint8_t> entries);

  uint64_t Count() const { return count_; }
  bool IsConstant() const { return fieldBits_ == 0; }
  uint32_t SizeOf(uint64_t index) const;
  // Total size of the `count` samples from `first`.
  uint64_t BytesOf(uint64_t first, uint64_t count) const {
    return count == 0 ? 0 : BytesBefore(first + count) - BytesBefore(first);
  }
  // End (exclusive) of the run of samples from `index` whose size equals
  // its size, at most `limit`.
  uint64_t SameSizeEnd(uint64_t index, uint64_t limit) const;

 private:
  static constexpr uint64_t kCheckpointStride = 64;
  uint64_t BytesBefore(uint64_t index) const;

  uint32_t constant_ = 0;
  uint64_t count_ = 0;
  uint8_t fieldBits_ = 0;  // 0 for a constant size
  std::vector<uint8_t> entries_;
  std::vector<uint64_t> checkpoints_;  // [k] = bytes before sample k × stride
};

}  // namespace zeb::movie
