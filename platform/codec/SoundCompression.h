// The standard sound compression component ('scdi'/'soun'): a store of the
// settings a sound stream is compressed with (format, rate, sample size,
// channels, the format's own codec settings) and the dialog that lets a
// person choose them. The formats offered are those the sound converter's
// encoding side can write with the installed libavcodec.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/codec/ImageCompression.h"
#include "platform/movie/Handle.h"

namespace zeb::codec {

struct StandardSoundCompression;
using SoundComponentInstance = StandardSoundCompression*;

inline constexpr uint32_t kStandardSoundSubType = 0x736F756E;  // 'soun'

// Setting types of SCSetInfo / SCGetInfo on the sound component.
inline constexpr uint32_t kSCClientAcceptsVBRType = 0x63766272;      // 'cvbr', value in the pointer
inline constexpr uint32_t kSCRateConversionOkType = 0x72636F6B;      // 'rcok', value in the pointer
inline constexpr uint32_t kSCSoundCompressionType = 0x73736374;      // 'ssct', uint32_t code
inline constexpr uint32_t kSCSoundSampleRateType = 0x73737274;       // 'ssrt', uint32_t 16.16 Hz
inline constexpr uint32_t kSCSoundChannelCountType = 0x73736363;     // 'sscc', int16_t
inline constexpr uint32_t kSCSoundSampleSizeType = 0x73737373;       // 'ssss', int16_t bits
inline constexpr uint32_t kSCSoundInputSampleRateType = 0x73736972;  // 'ssir', uint32_t 16.16 Hz
// 'cdec': get, a new Handle (the caller disposes of it) with the format's
// codec settings, or null for a format that has none; set, a Handle such a
// get gave (kParamErr for other bytes).
inline constexpr uint32_t kSCCodecSettingsType = 0x63646563;

// The codec settings of a format, as 'cdec' carries them and the sound
// converter's 'evaw' setting takes them: bits per second of each coded
// stream (one or two channels), for the formats coded at a chosen rate.
struct SoundCodecSettings {
  uint32_t format = 0;
  uint32_t bitRate = 0;
};
// Big-endian words: the tag 'zscd', the format, the bit rate.
std::vector<uint8_t> SoundCodecSettingsBytes(const SoundCodecSettings& settings);
// Empty for bytes that are not such settings.
std::optional<SoundCodecSettings> ParseSoundCodecSettings(std::span<const uint8_t> bytes);

// Whether the format is coded at a chosen bit rate (AAC, MP3), and the rate
// it is coded at when none is chosen.
bool HasBitRate(uint32_t format);
uint32_t DefaultBitRate(uint32_t channels);

// kBadComponentErr for anything but 'scdi'/'soun'. The component starts at
// 16-bit stereo 'twos' at 44100 Hz.
OSErr OpenADefaultComponent(uint32_t type, uint32_t subType, SoundComponentInstance* component);
// Null is accepted.
OSErr CloseComponent(SoundComponentInstance component);
OSErr SCSetInfo(SoundComponentInstance component, uint32_t type, const void* info);
OSErr SCGetInfo(SoundComponentInstance component, uint32_t type, void* info);

// The sound settings dialog over the component's settings. Confirmed, the
// settings take the dialog's values and the answer is 0; cancelled, they stay
// and the answer is kUserCanceledErr; kParamErr when no dialog can be shown.
OSErr SCRequestImageSettings(SoundComponentInstance component);

}  // namespace zeb::codec
