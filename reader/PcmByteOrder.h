// How the stored PCM values of a sound format become little-endian, and the
// interleave of several tracks into one block of sample frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

enum class PcmTreatment {
  kNone,       // stored little-endian, or a byte order the host takes as is
  kSwap16,     // big-endian 16-bit values
  kSwap24,     // big-endian 24-bit values: bytes 0 and 2 exchanged
  kReverse32,  // big-endian 32-bit integers
};

struct PcmLayout {
  bool interleaves = false;  // PCM whose values can be regrouped by width
  uint32_t valueBytes = 0;   // bytes of one channel's value
  PcmTreatment treatment = PcmTreatment::kNone;
};

// The layout of the format in a sound description (header fields in the
// machine's order, as the movie layer delivers them).
PcmLayout PcmLayoutOf(std::span<const uint8_t> soundDescription);

// Puts the whole values of `samples` into little-endian order in place; a
// partial value at the end stays as it is.
void ApplyPcmTreatment(PcmTreatment treatment, std::span<uint8_t> samples);

// Copies one track's values into its channel columns of an interleaved
// block: frame s of the track goes to byte s × outFrameBytes + column of
// `out`. Frames from `framesRead` to `frames` are written as silence (zero
// bytes). False, with nothing written, when the frames do not lie in the
// track's samples or in `out`.
struct TrackColumn {
  std::span<const uint8_t> samples;
  uint32_t framesRead;
  uint32_t frameBytes;  // channels × value bytes of this track
  size_t column;        // byte offset of the track's first channel in a frame
};
bool InterleaveTrack(const PcmLayout& layout, const TrackColumn& track, uint32_t frames,
                     std::span<uint8_t> out, size_t outFrameBytes);
