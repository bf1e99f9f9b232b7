// Which libavcodec encoder writes each sound format the converter can
// produce, and how the converter feeds it.
#pragma once

#include <cstdint>
#include <span>

namespace zeb::codec {

// libavcodec's name of the encoder for `format` at `sampleSize` bits (the PCM
// codes store that many bits; compressed formats take it as input precision),
// or null when none writes it.
const char* SoundEncoderName(uint32_t format, int16_t sampleSize);

// The formats a person may choose in the sound settings dialog, with the
// names it shows, in its order; 'raw ' stands for uncompressed PCM.
struct SoundFormatChoice {
  uint32_t format;
  const char* name;
};
std::span<const SoundFormatChoice> SoundFormatChoices();
// Whether the installed libavcodec has an encoder writing `format` at some
// sample size.
bool SoundEncoderAvailable(uint32_t format);

}  // namespace zeb::codec
