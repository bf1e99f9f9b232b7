// What the open learns about the movie's video track.
#pragma once

#include <cstdint>

struct VideoTrackDesc {
  uint32_t fourcc = 0;  // compressor code of the image description
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t gopSize = 0;        // frames from one key frame to the next
  uint32_t bitRate = 0;        // bits per second
  uint32_t timeScale = 0;      // frame-rate numerator
  uint32_t frameDuration = 0;  // frame-rate denominator, media time units
  uint32_t fieldOrder = 0;
  uint32_t aspectX = 0;  // display aspect ratio
  uint32_t aspectY = 0;
  uint32_t colorPrimaries = 0;  // ISO/IEC 23001-8 code points
  uint32_t transferFunction = 0;
  uint32_t matrix = 0;
  uint32_t spatialQuality = 0;
  uint32_t temporalQuality = 0;
};
