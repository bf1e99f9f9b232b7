// The sound compression-information query: how a sound format packs audio
// frames into packets. Callers use it to complete version-0 sound
// descriptions, which do not say; the movie layer uses it to find the bytes
// of sound stored one frame per media sample.
#pragma once

#include <cstdint>

#include "platform/movie/Status.h"

namespace zeb::movie {

inline constexpr int16_t kFixedCompression = -1;     // constant-size packets (PCM included)
inline constexpr int16_t kVariableCompression = -2;  // each packet has its own size

struct CompressionInfo {
  int16_t compressionId = kVariableCompression;
  uint32_t format = 0;
  uint32_t samplesPerPacket = 0;  // audio frames in one packet; 0 when the stream decides
  uint32_t bytesPerPacket = 0;    // bytes of one channel's packet; 0 when packets vary
  uint32_t bytesPerFrame = 0;     // bytes of one packet over all channels
  uint32_t bytesPerSample = 0;    // bytes of one decoded sample of one channel
};

// Answers for `format` with `channels` channels of `sampleSize` bits.
// `compressionId` is the description's own (0 means "not said"). PCM codes
// give 1 sample per packet and bytes per frame = channels × bytes per sample.
// An unknown format gives kUnsupported with a variable-size answer, which is
// what a caller that goes on regardless should assume. ISO PCM ('ipcm',
// 'fpcm') is not listed: its sample size lives in its 'pcmC' atom, and its
// files store one frame per sample with the true size in 'stsz'.
Status GetCompressionInfo(int16_t compressionId, uint32_t format, uint16_t channels,
                          uint16_t sampleSize, CompressionInfo& info);

// True for the uncompressed PCM codes.
bool IsPcmFormat(uint32_t format);

}  // namespace zeb::movie
