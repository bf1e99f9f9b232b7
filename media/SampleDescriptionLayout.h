// Field offsets of QuickTime sample descriptions, in bytes from the start of
// the entry. The media layer hands descriptions over with the header fields
// in the machine's order and the extension atoms after the header big-endian,
// as the file stores them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zeb::media {

// Every sample description.
inline constexpr size_t kDescriptionSizeAt = 0;    // u32: the entry's bytes
inline constexpr size_t kDescriptionFormatAt = 4;  // u32: four-character code
inline constexpr size_t kDataReferenceIndexAt = 14;
// Extension atoms: u32 big-endian size (the header included), type, data.
inline constexpr size_t kAtomHeaderSize = 8;

namespace image {
inline constexpr size_t kVersionAt = 16;               // u16
inline constexpr size_t kRevisionAt = 18;              // u16
inline constexpr size_t kVendorAt = 20;                // u32
inline constexpr size_t kTemporalQualityAt = 24;       // u32
inline constexpr size_t kSpatialQualityAt = 28;        // u32
inline constexpr size_t kWidthAt = 32;                 // s16
inline constexpr size_t kHeightAt = 34;                // s16
inline constexpr size_t kHorizontalResolutionAt = 36;  // u32, 16.16 pixels per inch
inline constexpr size_t kVerticalResolutionAt = 40;    // u32, 16.16
inline constexpr size_t kDataSizeAt = 44;              // u32
inline constexpr size_t kFrameCountAt = 48;            // u16
inline constexpr size_t kNameAt = 50;                  // length byte, then the characters
inline constexpr size_t kNameSize = 32;
inline constexpr size_t kDepthAt = 82;   // u16
inline constexpr size_t kClutIdAt = 84;  // s16
inline constexpr size_t kHeaderSize = 86;
}  // namespace image

namespace sound {
inline constexpr size_t kVersionAt = 16;        // u16: 0, 1 or 2
inline constexpr size_t kRevisionAt = 18;       // u16
inline constexpr size_t kVendorAt = 20;         // u32
inline constexpr size_t kChannelsAt = 24;       // u16
inline constexpr size_t kSampleSizeAt = 26;     // u16, bits
inline constexpr size_t kCompressionIdAt = 28;  // s16
inline constexpr size_t kPacketSizeAt = 30;     // u16
inline constexpr size_t kSampleRateAt = 32;     // u32, 16.16 Hz
inline constexpr size_t kVersion0HeaderSize = 36;
// Version 1.
inline constexpr size_t kSamplesPerPacketAt = 36;  // u32
inline constexpr size_t kBytesPerPacketAt = 40;    // u32, one channel
inline constexpr size_t kBytesPerFrameAt = 44;     // u32, all channels
inline constexpr size_t kBytesPerSampleAt = 48;    // u32
inline constexpr size_t kVersion1HeaderSize = 52;
// Version 2.
inline constexpr size_t kStructSizeAt = 36;            // u32
inline constexpr size_t kSampleRateF64At = 40;         // f64, Hz
inline constexpr size_t kChannels32At = 48;            // u32
inline constexpr size_t kAlways7F000000At = 52;        // u32
inline constexpr size_t kBitsPerChannelAt = 56;        // u32
inline constexpr size_t kFormatFlagsAt = 60;           // u32
inline constexpr size_t kBytesPerAudioPacketAt = 64;   // u32; 0: packets vary
inline constexpr size_t kFramesPerAudioPacketAt = 68;  // u32
inline constexpr size_t kVersion2HeaderSize = 72;
inline constexpr uint32_t kBigEndianFlag = 0x2;        // of the format flags
inline constexpr int16_t kVariableCompressionId = -2;  // each packet has its own size
}  // namespace sound

}  // namespace zeb::media
