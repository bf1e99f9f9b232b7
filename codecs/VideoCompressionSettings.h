// How a video stream is to be compressed: what the encoder opens its
// compression sequence with, and what the settings dialog edits.
#pragma once

#include <cstdint>

struct VideoCompressionSettings {
  uint32_t codecType = 0;  // four-character code
  uint32_t width = 0;
  uint32_t height = 0;
  int32_t keyFrameRate = 0;  // frames from one key frame to the next; below 1 counts as 1
  uint32_t dataRate = 0;     // bits per second
  uint32_t frameRateNum = 0;
  uint32_t frameRateDen = 0;
  uint32_t reserved = 0;
  uint32_t spatialQuality = 0;  // 0 .. 1023
  uint32_t temporalQuality = 0;
  uint16_t depth = 0;  // bits per pixel of the source pictures
};

// The frame rate in 16.16 fixed point as the compression settings take it;
// the fraction is scaled by 65535, as the settings dialog scales it too.
int32_t FixedFrameRate(uint32_t numerator, uint32_t denominator);
