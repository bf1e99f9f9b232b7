// Which libavcodec decoder reads each sound format the converter accepts, and
// the three output formats it writes.
#pragma once

#include <cstdint>

#include "platform/codec/SoundConverter.h"

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/samplefmt.h>
}

namespace zeb::codec {

// The decoder of `format` holding values of `sampleSize` bits (PCM codes
// only; 'lpcm' also by `flags`); AV_CODEC_ID_NONE when there is none.
AVCodecID SoundDecoderId(uint32_t format, int16_t sampleSize, int32_t flags);

struct OutputLayout {
  AVSampleFormat conversion = AV_SAMPLE_FMT_NONE;  // what libswresample writes
  int bytes = 0;                                   // bytes of one value delivered
};

// 'sowt' 16-bit, 'in24' 24-bit (written as 32-bit, then its top three bytes
// kept), '23ni' 32-bit; `conversion` AV_SAMPLE_FMT_NONE for anything else.
OutputLayout SoundOutputLayout(uint32_t format);

}  // namespace zeb::codec
