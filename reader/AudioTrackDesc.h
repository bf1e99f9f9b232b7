// What the open learns about one sound track.
#pragma once

#include <cstdint>

struct AudioTrackDesc {
  uint32_t format = 0;  // data format after normalisation ('42ni', 'in24', …)
  uint32_t framesPerPacket = 1;
  uint32_t channels = 0;
  uint32_t bitsPerSample = 16;  // 16, 24 or 32
  uint32_t sampleRate = 0;      // Hz
  uint32_t bitRate = 0;         // bits per second
  uint32_t variable = 0;        // 1: every media sample is one packet of its own size
  bool pcm = false;             // one of the PCM codes; only PCM tracks merge
};
