// The block the host attaches to audio units (a private description of kind
// 9): a mode word, a value word, then a QuickTime sound description in the
// machine's order. The description is 52 bytes (version 1) or, with its
// extensions ('wave', 'esds', 'chan'), as long as its first word says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr size_t kAudioDescriptionBlockSize = 60;  // mode, value, 52 bytes
inline constexpr size_t kSoundDescriptionAt = 8;          // after mode and value
inline constexpr int32_t kModeSampleDuration = -2;        // the value is each sample's duration

// The block within `bytes`: 60 bytes, or longer when its description says
// so and `bytes` holds it all; nothing when `bytes` is shorter than 60.
std::span<const uint8_t> AudioDescriptionBlockIn(std::span<const uint8_t> bytes);
