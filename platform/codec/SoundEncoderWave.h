// The 'wave' atom payload that describes an encoded sound stream to a
// decoder: 'frma' (the format), the format's own atom, its configuration
// ('esds' for AAC, the 'alac' cookie for Apple Lossless) and the terminator.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zeb::codec {

// Empty when `format` needs no 'wave' ('mp4a' and 'alac' do). `config` is the
// encoder's configuration (the AudioSpecificConfig of AAC; the whole 'alac'
// atom, header included, for Apple Lossless); `bitRate` in bits a second,
// `bufferBytes` the largest packet, for the AAC decoder configuration.
std::optional<std::vector<uint8_t>> BuildWavePayload(uint32_t format,
                                                     std::span<const uint8_t> config,
                                                     uint32_t bitRate, uint32_t bufferBytes);

}  // namespace zeb::codec
