// What a video sample description is built from: the video part of the
// writer's set-up, from the codec's four-character code on. The video decoder
// fills the same shape when the host hands it no description.
#pragma once

#include <cstdint>

#include "platform/movie/Handle.h"
#include "zebplug/ZEBPlugRecords.h"

struct VideoDescriptionRequest {
  uint32_t videoFourcc = 0;
  int32_t width = 0;  // pixels
  int32_t height = 0;
  int32_t gopSize = 0;  // frames from one key frame to the next
  int32_t bitRate = 0;
  int32_t timeScale = 0;      // media ticks per second
  int32_t frameDuration = 0;  // ticks per frame
  int32_t fieldOrder = 0;     // PLUG_FIELD_ORDER_; -1: say nothing about fields
  int32_t aspectX = 0;        // display aspect ratio
  int32_t aspectY = 0;
  int32_t colorPrimaries = 0;  // ISO/IEC 23001-8 code points
  int32_t transferFunction = 0;
  int32_t matrix = 0;
  // A finished description (a handle of the movie layer) to use as it is;
  // owned by the caller. Null: build one.
  zeb::movie::Handle presetDescription = nullptr;
};

// A request with every field that a stream record carries, taken from it.
VideoDescriptionRequest DescriptionRequestFor(uint32_t videoFourcc,
                                              const SPlugVideoStreamInfo& stream);
