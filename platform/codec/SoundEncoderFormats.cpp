#include "platform/codec/SoundEncoderFormats.h"

#include <algorithm>
#include <array>

#include "platform/movie/FourCC.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace zeb::codec {

namespace {

using zeb::movie::FourCC;

struct EncoderRow {
  uint32_t format;
  int16_t sampleSize;  // 0: any
  const char* encoder;
};

// Big-endian PCM stores 8-bit values signed; 'raw ' is offset binary.
constexpr std::array kEncoders = {
    EncoderRow{FourCC("twos"), 8, "pcm_s8"},       EncoderRow{FourCC("twos"), 16, "pcm_s16be"},
    EncoderRow{FourCC("twos"), 24, "pcm_s24be"},   EncoderRow{FourCC("twos"), 32, "pcm_s32be"},
    EncoderRow{FourCC("sowt"), 8, "pcm_s8"},       EncoderRow{FourCC("sowt"), 16, "pcm_s16le"},
    EncoderRow{FourCC("sowt"), 24, "pcm_s24le"},   EncoderRow{FourCC("sowt"), 32, "pcm_s32le"},
    EncoderRow{FourCC("raw "), 8, "pcm_u8"},       EncoderRow{FourCC("NONE"), 8, "pcm_u8"},
    EncoderRow{FourCC("in24"), 0, "pcm_s24be"},    EncoderRow{FourCC("42ni"), 0, "pcm_s24le"},
    EncoderRow{FourCC("in32"), 0, "pcm_s32be"},    EncoderRow{FourCC("23ni"), 0, "pcm_s32le"},
    EncoderRow{FourCC("fl32"), 0, "pcm_f32be"},    EncoderRow{FourCC("fl64"), 0, "pcm_f64be"},
    EncoderRow{FourCC("ulaw"), 0, "pcm_mulaw"},    EncoderRow{FourCC("alaw"), 0, "pcm_alaw"},
    EncoderRow{FourCC("ima4"), 0, "adpcm_ima_qt"}, EncoderRow{FourCC("mp4a"), 0, "aac"},
    EncoderRow{FourCC("alac"), 0, "alac"},         EncoderRow{FourCC(".mp3"), 0, "libmp3lame"},
    EncoderRow{FourCC("ac-3"), 0, "ac3"},
};

constexpr std::array kChoices = {
    SoundFormatChoice{FourCC("raw "), "None"},
    SoundFormatChoice{FourCC("in24"), "24-bit Integer"},
    SoundFormatChoice{FourCC("in32"), "32-bit Integer"},
    SoundFormatChoice{FourCC("fl32"), "32-bit Floating Point"},
    SoundFormatChoice{FourCC("fl64"), "64-bit Floating Point"},
    SoundFormatChoice{FourCC("alaw"), "A-Law 2:1"},
    SoundFormatChoice{FourCC("ulaw"), "\xC2\xB5-Law 2:1"},
    SoundFormatChoice{FourCC("ima4"), "IMA 4:1"},
    SoundFormatChoice{FourCC("mp4a"), "AAC"},
    SoundFormatChoice{FourCC("alac"), "Apple Lossless"},
    SoundFormatChoice{FourCC(".mp3"), "MP3"},
    SoundFormatChoice{FourCC("ac-3"), "AC-3"},
};

}  // namespace

std::span<const SoundFormatChoice> SoundFormatChoices() { return kChoices; }

bool SoundEncoderAvailable(uint32_t format) {
  return std::any_of(kEncoders.begin(), kEncoders.end(), [&](const EncoderRow& row) {
    return row.format == format && avcodec_find_encoder_by_name(row.encoder) != nullptr;
  });
}

const char* SoundEncoderName(uint32_t format, int16_t sampleSize) {
  const auto* row = std::find_if(kEncoders.begin(), kEncoders.end(), [&](const EncoderRow& r) {
    return r.format == format && (r.sampleSize == 0 || r.sampleSize == sampleSize);
  });
  return row == kEncoders.end() ? nullptr : row->encoder;
}

}  // namespace zeb::codec
