#pragma once

#include <cstdint>
#include <optional>

#include "framework/proxy/analysis/Ratio.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugRecords.h"

namespace zeb::analysis {

// Colour code points of ISO/IEC 23001-8, as H.264 VUI and the MPEG-2 sequence
// display extension code them and the stream record carries them.
struct ColourDescription {
  uint32_t primaries = 0;
  uint32_t transfer = 0;
  uint32_t matrix = 0;
};

// What a picture without a colour description is taken to be: BT.709 when
// wider than 720 pixels; otherwise BT.601 with 525-line primaries (6) at 480 or
// 486 lines and 625-line primaries (5) else, transfer and matrix 5.
ColourDescription DefaultColour(uint32_t width, uint32_t height);

// The coded description with every code that says nothing (0 reserved,
// 2 unspecified, 3 reserved) replaced by the picture's default.
ColourDescription ResolveColour(const std::optional<ColourDescription>& coded, uint32_t width,
                                uint32_t height);

// What an analyser learnt about a stream, written into the record in one
// place. Words whose member is absent keep what the record held.
struct VideoFacts {
  std::optional<uint32_t> videoType;  // PLUG_VIDEO_TYPE_
  std::optional<uint32_t> videoSubType;
  uint32_t width = 0;
  uint32_t height = 0;
  Ratio displayAspect;
  std::optional<Ratio> frameRate;
  uint32_t fieldOrder = PLUG_FIELD_ORDER_PROGRESSIVE_;
  uint32_t colorFormat = PLUG_COLOR_FORMAT_YUV420P_;
  ColourDescription colour;
  int32_t componentDepth = 8;
  bool videoRange = true;           // luma black at 16
  std::optional<uint32_t> bitRate;  // bits per second
};

// Writes the facts and the size word (108).
void WriteVideoFacts(const VideoFacts& facts, SPlugVideoStreamInfo* info);

}  // namespace zeb::analysis
