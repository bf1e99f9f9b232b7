// Reads a sound description (header fields in the machine's order, extension
// atoms big-endian) into an AudioTrackDesc. The description is normalised in
// place first: a version-0 header is upgraded to version 1 and the little-
// endian 24-bit variants get their own codes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "reader/AudioTrackDesc.h"

// The sound compression information of a format, as the media layer reports
// it for the version-0 upgrade.
struct SoundCompressionFields {
  int16_t compressionId = 0;
  uint32_t samplesPerPacket = 0;
  uint32_t bytesPerPacket = 0;
  uint32_t bytesPerFrame = 0;
  uint32_t bytesPerSample = 0;
};
using CompressionInfoQuery = std::function<bool(uint32_t format, uint16_t channels,
                                                uint16_t sampleSize, SoundCompressionFields&)>;

// The smallest description handed on: a full version-1 header.
inline constexpr size_t kVersion1HeaderSize = 52;

// Normalises `description` (at least kVersion1HeaderSize bytes on return)
// and describes it. Bit rate and packet count are the caller's.
AudioTrackDesc AnalyseSoundDescription(std::vector<uint8_t>& description,
                                       const CompressionInfoQuery& query);
