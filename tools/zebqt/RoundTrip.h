// The library's whole path on made-up material: a moving test pattern and a
// tone are encoded (video encoder family), written (muxer family), read back
// (reader family) and decoded (video decoder family), all by ordinal; what
// comes back is compared with what went in.
#pragma once

#include <cstdint>
#include <string>

#include "tools/zebqt/PluginLibrary.h"

struct RoundTripResult {
  uint32_t frames = 0;      // pictures made, encoded and written
  uint32_t framesBack = 0;  // pictures decoded from the written movie
  double lowestPsnr = 0;    // dB, over all bytes of the '2vuy' pictures
  double averagePsnr = 0;
  uint64_t audioSamples = 0;    // PCM frames written
  bool audioIdentical = false;  // the PCM read back equals the tone, byte for byte
  uint64_t movieBytes = 0;
};

// Writes the movie to `path`; throws a Failure or std::runtime_error saying
// which step failed, with its result code.
RoundTripResult RunRoundTrip(const PluginLibrary& plugin, const std::string& path);
