// Reads a sound description (header fields in the machine's order, extension
// atoms big-endian) into an AudioTrackDesc. The description is normalised in
// place first: a version-0 header is upgraded to version 1 and the little-
// endian 24-bit variants get their own codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "reader/AudioTrackDesc.h"

// The smallest description handed on: a full version-1 header.
inline constexpr size_t kVersion1HeaderSize = 52;

// Normalises `description` (at least kVersion1HeaderSize bytes on return)
// and describes it. Bit rate and packet count are the caller's.
// A version-0 header takes its packet fields from the media layer's
// compression-information query.
AudioTrackDesc AnalyseSoundDescription(std::vector<uint8_t>& description);
