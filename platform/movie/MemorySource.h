// A movie held in memory: byte-built test files and fuzz inputs.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/movie/ByteSource.h"

namespace zeb::movie {

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  uint64_t Size() const override { return bytes_.size(); }
  Status ReadAt(uint64_t offset, std::span<uint8_t> out) const override;

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace zeb::movie
