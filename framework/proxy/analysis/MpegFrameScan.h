#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "framework/proxy/analysis/MpegVideoSyntax.h"

namespace zeb::analysis {

// The headers of one MPEG video frame up to its first picture's slices: the
// first of each kind, extensions attached to the header they follow.
struct MpegFrameHeaders {
  std::optional<MpegSequenceHeader> sequence;
  bool sequenceFollowed = false;  // a start code came after the sequence header
  std::optional<MpegSequenceExtension> sequenceExtension;
  std::optional<MpegDisplayExtension> displayExtension;
  std::optional<MpegGroupHeader> group;
  std::optional<MpegPictureHeader> picture;
  std::optional<MpegPictureCodingExtension> pictureCoding;
};

// Stops at the first slice or second picture; headers that do not parse are
// left out.
MpegFrameHeaders ScanMpegFrame(std::span<const uint8_t> frame);

}  // namespace zeb::analysis
