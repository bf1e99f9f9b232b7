#include "platform/codec/SoundFormats.h"

#include "platform/movie/FourCC.h"

namespace zeb::codec {

namespace {

using zeb::movie::FourCC;

AVCodecID LinearPcm(int16_t bits, int32_t flags) {
  const bool big = (flags & kLinearPcmBigEndian) != 0;
  if ((flags & kLinearPcmFloat) != 0) {
    if (bits == 32) return big ? AV_CODEC_ID_PCM_F32BE : AV_CODEC_ID_PCM_F32LE;
    if (bits == 64) return big ? AV_CODEC_ID_PCM_F64BE : AV_CODEC_ID_PCM_F64LE;
    return AV_CODEC_ID_NONE;
  }
  switch (bits) {
    case 8:
      return (flags & kLinearPcmSigned) != 0 ? AV_CODEC_ID_PCM_S8 : AV_CODEC_ID_PCM_U8;
    case 16:
      return big ? AV_CODEC_ID_PCM_S16BE : AV_CODEC_ID_PCM_S16LE;
    case 24:
      return big ? AV_CODEC_ID_PCM_S24BE : AV_CODEC_ID_PCM_S24LE;
    case 32:
      return big ? AV_CODEC_ID_PCM_S32BE : AV_CODEC_ID_PCM_S32LE;
    default:
      return AV_CODEC_ID_NONE;
  }
}

struct FormatRow {
  uint32_t format;
  AVCodecID codec;
};

constexpr FormatRow kCoded[] = {
    {FourCC("mp4a"), AV_CODEC_ID_AAC},       {FourCC("ima4"), AV_CODEC_ID_ADPCM_IMA_QT},
    {FourCC("ulaw"), AV_CODEC_ID_PCM_MULAW}, {FourCC("alaw"), AV_CODEC_ID_PCM_ALAW},
    {FourCC("alac"), AV_CODEC_ID_ALAC},      {FourCC(".mp3"), AV_CODEC_ID_MP3},
    {FourCC("ac-3"), AV_CODEC_ID_AC3},       {FourCC("ec-3"), AV_CODEC_ID_EAC3},
    {FourCC("fl32"), AV_CODEC_ID_PCM_F32BE}, {FourCC("fl64"), AV_CODEC_ID_PCM_F64BE},
};

}  // namespace

AVCodecID SoundDecoderId(uint32_t format, int16_t sampleSize, int32_t flags) {
  for (const FormatRow& row : kCoded) {
    if (row.format == format) return row.codec;
  }
  // Offset-binary bytes, or (rarely) 16-bit words.
  if (format == FourCC("raw ") || format == FourCC("NONE")) {
    return sampleSize == 16 ? AV_CODEC_ID_PCM_U16BE : AV_CODEC_ID_PCM_U8;
  }
  if (format == FourCC("twos"))
    return LinearPcm(sampleSize, kLinearPcmBigEndian | kLinearPcmSigned);
  if (format == FourCC("sowt")) return LinearPcm(sampleSize, kLinearPcmSigned);
  if (format == FourCC("lpcm")) return LinearPcm(sampleSize, flags);
  return AV_CODEC_ID_NONE;
}

OutputLayout SoundOutputLayout(uint32_t format) {
  if (format == FourCC("sowt")) return {AV_SAMPLE_FMT_S16, 2};
  if (format == FourCC("in24")) return {AV_SAMPLE_FMT_S32, 3};
  if (format == FourCC("23ni")) return {AV_SAMPLE_FMT_S32, 4};
  return {};
}

}  // namespace zeb::codec
