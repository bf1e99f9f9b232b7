// QuickTime's original layout for sound: one media sample per audio frame,
// each lasting one tick, with a constant (often meaningless) sample size in
// 'stsz'. The bytes of such a track come from its sound description: packets
// of so many frames take so many bytes. This layer turns those tracks into
// tables of whole packets, and counts media samples in frames again at its
// interface, as the media layer's callers expect.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/movie/SampleTableAtoms.h"

namespace zeb::movie {

struct SoundPacking {
  uint32_t framesPerPacket = 1;
  uint32_t bytesPerPacket = 0;  // all channels
};

// The packing of a sound track stored one frame per sample, from its first
// sample description (version 1 or 2 fields, else the compression
// information of its format); empty when the track stores whole packets as
// samples or the description does not tell.
std::optional<SoundPacking> FindSoundPacking(const SampleTableAtoms& atoms);

// Rewrites the tables so that each sample is one packet.
Status ApplySoundPacking(const SoundPacking& packing, SampleTableAtoms& atoms,
                         const std::string& where);

}  // namespace zeb::movie
