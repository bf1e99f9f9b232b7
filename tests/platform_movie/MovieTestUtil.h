// Small helpers shared by the reader tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/movie/Movie.h"
#include "tests/support/Fixtures.h"

namespace zeb::movie::test {

using zeb::test::Fixture;

// Reads samples at `decodeTime`; the bytes land in `data`. With `maxBytes`
// 0 the buffer is sized to what the samples need.
Status ReadAt(const Media& media, int64_t decodeTime, uint32_t maxSamples, SampleReadResult& result,
              std::vector<uint8_t>& data, uint32_t maxBytes = 0);

// A sample reference copied out of its packed record, whose fields may be
// misaligned and so must not be bound to references (as EXPECT_EQ does).
struct Reference {
  int64_t offset;
  uint32_t size;  // bytes of all the record's samples
  uint32_t duration;
  uint32_t count;
  uint16_t flags;
  bool operator==(const Reference&) const = default;
};

// Every reference of a media from time 0.
std::vector<Reference> AllReferences(const Media& media);

// A source that counts its reads, to check how many a media read costs.
class CountingSource final : public ByteSource {
 public:
  explicit CountingSource(std::shared_ptr<const ByteSource> inner) : inner_(std::move(inner)) {}
  uint64_t Size() const override { return inner_->Size(); }
  Status ReadAt(uint64_t offset, std::span<uint8_t> out) const override {
    ++reads_;
    return inner_->ReadAt(offset, out);
  }
  int Reads() const { return reads_; }

 private:
  std::shared_ptr<const ByteSource> inner_;
  mutable std::atomic<int> reads_{0};
};

}  // namespace zeb::movie::test
