// The extension atoms that follow the header of most image descriptions the
// writer builds: field ('fiel'), pixel aspect ('pasp') with clean aperture
// ('clap'), colour ('colr' of type 'nclc') and a four-byte zero terminator.
// Atoms are big-endian, as the file stores them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/movie/Handle.h"
#include "writer/VideoDescriptionRequest.h"

// The atoms for `request`, in file order: 10 + (0 or 56) + 18 + 4 bytes.
std::vector<uint8_t> BuildImageExtensions(const VideoDescriptionRequest& request);

// Appends `atoms` (file order) at the end of the description in
// `description` (its first word, in the machine's order, is its length) and
// raises that length by them. Returns the bytes appended. A handle too small
// for them grows; a null handle, or one shorter than the length it records,
// gets nothing (0).
uint32_t AppendDescriptionAtoms(zeb::movie::Handle description, std::span<const uint8_t> atoms);

// Appends the atoms for `request` as AppendDescriptionAtoms does.
uint32_t AppendImageExtensions(zeb::movie::Handle description,
                               const VideoDescriptionRequest& request);
