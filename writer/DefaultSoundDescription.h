// The sound description a track starts with: built from the writer's set-up
// so that audio written without a description block of its own (PCM from a
// capture host) is still described; a block the host attaches replaces it.
#pragma once

#include <cstdint>
#include <span>

#include "writer/WriterSetup.h"

inline constexpr size_t kSoundDescriptionSize = 52;  // version 1

// Writes a version-1 description of `channelsPerTrack` channels, header
// fields in the machine's order as the movie layer takes them.
void FillDefaultSoundDescription(const AudioSetup& audio, int32_t channelsPerTrack,
                                 std::span<uint8_t, kSoundDescriptionSize> description);
