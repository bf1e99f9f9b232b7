// The media layer's 64-bit sample reference: 22 bytes without padding, as
// callers keep whole tables of them. Its fields may therefore be misaligned:
// copy them (by value), never bind a reference or a pointer to one.
#pragma once

#include <cstdint>

namespace zeb::movie {

inline constexpr uint16_t kSampleNotSync = 0x0001;  // sample flag; 0 marks a sync sample

#pragma pack(push, 2)
// Consecutive samples that lie back to back in the file, of one size, one
// duration and one sync-ness. Sample k of the record starts at
// dataOffset + k × (dataSize ÷ numberOfSamples).
struct SampleReference64 {
  int64_t dataOffset;          // file offset of the first sample's first byte
  uint32_t dataSize;           // bytes of all the record's samples together
  uint32_t durationPerSample;  // media time units
  uint32_t numberOfSamples;
  uint16_t sampleFlags;  // 0 = sync, kSampleNotSync
};
#pragma pack(pop)
static_assert(sizeof(SampleReference64) == 22);

}  // namespace zeb::movie
