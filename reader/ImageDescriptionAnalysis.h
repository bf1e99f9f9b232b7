// Reads an image description (86-byte header in the machine's order, then
// big-endian extension atoms) into the video track's colour description,
// field order and display aspect ratio, and keeps its 'avcC' record.
#pragma once

#include <memory>

#include "reader/AvcConfigRecord.h"
#include "reader/ByteView.h"
#include "reader/VideoTrackDesc.h"

// `avcConfig` is filled only while it is still empty, so the first
// description that carries an 'avcC' keeps it.
void AnalyseImageDescription(const ByteView& description, VideoTrackDesc& track,
                             std::unique_ptr<AvcConfigRecord>& avcConfig);
