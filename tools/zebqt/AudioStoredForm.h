// How the audio the reader delivers is written back: the sound format and
// byte order of the written samples, and the audio description block
// (mode, value, 52-byte version-1 sound description) that goes with them.
//
// The reader turns big-endian integer PCM little-endian; the writer stores
// what it is given under the description it is given. The written form
// keeps the source's code where a version-1 description can say it ('twos',
// 'sowt', 'in24', 'in32', 'fl32', 'fl64', 'raw '), and turns the bytes back
// to that code's order; little-endian 24- and 32-bit PCM, which needs a
// 'wave' atom, is written big-endian as 'in24' or 'in32'.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "zebplug/ZEBPlug.h"

struct AudioStoredForm {
  static constexpr size_t kBlockSize = 60;

  bool pcm = false;
  uint32_t code = 0;        // the written sound format
  uint32_t valueBytes = 0;  // PCM: bytes of one channel's value
  bool reverseValues = false;
  uint32_t framesPerPacket = 1;  // compressed: samples each packet lasts
  // Mode, value and the sound description: 60 bytes, or longer when the
  // description carries extension atoms ('esds', 'wave').
  std::vector<uint8_t> block = std::vector<uint8_t>(kBlockSize);
};

// The written form of the reader's audio stream `stream`; throws a Failure
// (kExitOutput) for audio that cannot be written.
AudioStoredForm PlanAudioStoredForm(const SPlugStreamInfo& stream);

// Reverses the bytes of every `width`-byte value in `bytes`.
void ReverseValues(std::span<uint8_t> bytes, uint32_t width);
