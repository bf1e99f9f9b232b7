// What the movie writer is opened with: the video set-up (which also builds
// the video sample description) and the audio format, as the muxer fills it
// from the stream records.
#pragma once

#include <cstdint>

#include "writer/VideoDescriptionRequest.h"
#include "zebplug/ZEBPlugRecords.h"

struct AudioSetup {
  uint32_t audioFourcc = 0;  // QuickTime sound format
  int32_t channels = 0;
  int32_t bitsPerSample = 0;
  int32_t sampleRate = 0;  // the sound media's time scale
  int32_t bitRate = 0;
};

struct WriterSetup {
  int32_t videoPresent = 0;
  VideoDescriptionRequest video;  // timeScale and frameDuration give the video media's timing
  SPlugVideoStreamInfo videoInfo{};
  int32_t audioPresent = 0;
  AudioSetup audio;
};
