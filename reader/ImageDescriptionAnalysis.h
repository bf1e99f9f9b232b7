// Reads an image description (86-byte header in the machine's order, then
// big-endian extension atoms) into the video track's colour description,
// field order and display aspect ratio, and keeps its 'avcC' record.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "media/AvcConfigRecord.h"
#include "reader/VideoTrackDesc.h"

// `avcConfig` is filled only while it is still empty, so the first
// description that carries an 'avcC' keeps it.
void AnalyseImageDescription(std::span<const uint8_t> description, VideoTrackDesc& track,
                             std::unique_ptr<zeb::media::AvcConfigRecord>& avcConfig);
