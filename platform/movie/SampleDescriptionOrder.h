// Byte order of sample descriptions. In the file every field is big-endian;
// callers of the media layer get the fixed header fields in native order and
// the extension atoms after the header untouched (big-endian). The same field
// tables serve both directions, so reading and writing cannot disagree.
//
// Headers: image description 86 bytes; sound description 36 bytes (version
// 0), 52 (version 1) or 72 (version 2); any other media's entry 16 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zeb::movie {

inline constexpr size_t kImageDescriptionHeaderSize = 86;
inline constexpr size_t kSampleEntryHeaderSize = 16;

// Where the extension atoms of a sound description of `version` begin.
size_t SoundDescriptionHeaderSize(uint16_t version);

// The size word (offset 0) and the version (offset 16) of a description
// whose header fields are in native order; 0 when the bytes end before.
uint32_t NativeDescriptionSize(std::span<const uint8_t> description);
uint16_t NativeDescriptionVersion(std::span<const uint8_t> description);
// Stores the size word in native order (nothing when fewer than 4 bytes).
void SetNativeDescriptionSize(std::span<uint8_t> description, uint32_t size);

// Converts the header fields of one description of a `mediaType` ('vide',
// 'soun', anything else) in place. Fields that the bytes do not wholly hold
// stay as they are.
void SampleDescriptionToNative(uint32_t mediaType, std::span<uint8_t> description);
void SampleDescriptionToFileOrder(uint32_t mediaType, std::span<uint8_t> description);

}  // namespace zeb::movie
