// In-memory builder of big-endian atom bytes. Begin(code) leaves a size
// placeholder that the matching End() patches, so callers never count bytes
// by hand; the finished buffer is checked against a predicted size by its user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace zeb::movie {

class ByteWriter {
 public:
  void Reserve(size_t bytes) { bytes_.reserve(bytes); }

  void PutU8(uint8_t value) { bytes_.push_back(value); }
  void PutU16(uint16_t value);
  void PutU24(uint32_t value);
  void PutU32(uint32_t value);
  void PutU64(uint64_t value);
  void PutBytes(std::span<const uint8_t> bytes);
  void PutZeros(size_t count);

  // Opens an atom: 4-byte size placeholder, then the code.
  void Begin(uint32_t code);
  // Opens a full atom (ISO/IEC 14496-12 FullBox): Begin, version, 24-bit flags.
  void BeginFull(uint32_t code, uint8_t version, uint32_t flags);
  // Closes the innermost open atom by writing its size into the placeholder.
  // An atom past 2^32 - 1 bytes cannot carry a 32-bit size and marks the
  // builder as failed (see Ok()).
  void End();

  // False once an End() met an oversized atom or an End() had no Begin().
  bool Ok() const { return ok_; }
  size_t OpenAtoms() const { return open_.size(); }
  size_t Size() const { return bytes_.size(); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t> Take() { return std::move(bytes_); }
  // Empties the writer, keeping its memory.
  void Clear() {
    bytes_.clear();
    open_.clear();
    ok_ = true;
  }
  // Rewrites a 32-bit field already written, such as a length placeholder.
  void PatchU32(size_t at, uint32_t value);

 private:

  std::vector<uint8_t> bytes_;
  std::vector<size_t> open_;  // start offsets of the atoms not yet ended
  bool ok_ = true;
};

}  // namespace zeb::movie
