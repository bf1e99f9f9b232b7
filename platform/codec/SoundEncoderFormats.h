// Which libavcodec encoder writes each sound format the converter can
// produce, and how the converter feeds it.
#pragma once

#include <cstdint>

namespace zeb::codec {

// libavcodec's name of the encoder for `format` at `sampleSize` bits (the PCM
// codes store that many bits; compressed formats take it as input precision),
// or null when none writes it.
const char* SoundEncoderName(uint32_t format, int16_t sampleSize);

}  // namespace zeb::codec
