// Reads a sound description (header fields in the machine's order, extension
// atoms big-endian) into an AudioTrackDesc. The description is normalised in
// place first: a version-0 header is upgraded to version 1 and the little-
// endian 24-bit variants get their own codes.
#pragma once

#include <cstdint>
#include <vector>

#include "reader/AudioTrackDesc.h"

// Normalises `description` and describes it; on return it holds at least the
// whole header of its version (52 bytes, 72 for version 2), zero-padded.
// Bit rate and packet count are the caller's. A version-0 header takes its
// packet fields from the media layer's compression-information query.
AudioTrackDesc AnalyseSoundDescription(std::vector<uint8_t>& description);
