#include "platform/codec/Compressors.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/codec/ImageCompression.h"
#include "platform/movie/FourCC.h"

namespace zeb::codec {

namespace {

using zeb::movie::FourCC;

// Quality 0 .. 1023 as a quantiser scale 31 .. 2 (lower is finer).
int Quantiser(uint32_t quality) {
  const uint32_t q = std::min(quality, kCodecMaxQuality);
  return 2 + static_cast<int>((kCodecMaxQuality - q) * 29 / kCodecMaxQuality);
}

// Quality 0 .. 1023 as x264's constant rate factor 51 .. 15.
int RateFactor(uint32_t quality) {
  const uint32_t q = std::min(quality, kCodecMaxQuality);
  return 15 + static_cast<int>((kCodecMaxQuality - q) * 36 / kCodecMaxQuality);
}

int GopOf(const CompressionSettings& settings) {
  return settings.temporalQuality == 0 ? 1 : std::max(settings.keyFrameRate, 1);
}

// A fixed quantiser from the quality, or the data rate when one is set, held
// to by a buffer of half a second (at most MPEG-2 high level's).
void SetQuantiserOrRate(AVCodecContext& context, const CompressionSettings& settings) {
  constexpr int64_t kLargestBuffer = 9781248;  // bits
  if (settings.bitRate > 0) {
    context.bit_rate = settings.bitRate;
    context.rc_max_rate = settings.bitRate;
    context.rc_buffer_size = static_cast<int>(std::min(settings.bitRate / 2, kLargestBuffer));
    return;
  }
  context.flags |= AV_CODEC_FLAG_QSCALE;
  context.global_quality = FF_QP2LAMBDA * Quantiser(settings.spatialQuality);
}

bool ConfigureH264(AVCodecContext& context, AVDictionary** options,
                   const CompressionSettings& settings) {
  // No B-frames and no look-ahead: each picture's frame leaves with it.
  av_dict_set(options, "tune", "zerolatency", 0);
  // Units behind 4-byte lengths, as 'avc1' samples store them (the
  // parameter sets go to the description's 'avcC'); key frames at the
  // key-frame rate, not at scene cuts of x264's choosing.
  av_dict_set(options, "x264-params", "annexb=0:scenecut=0", 0);
  context.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  context.gop_size = GopOf(settings);
  context.max_b_frames = 0;
  if (settings.bitRate > 0) {
    context.bit_rate = settings.bitRate;
  } else {
    av_dict_set(options, "crf", std::to_string(RateFactor(settings.spatialQuality)).c_str(), 0);
  }
  return true;
}

// ProRes is intra-only at its profile's rate; the profile is the type's.
bool ConfigureProRes(AVCodecContext&, AVDictionary** options, const CompressionSettings&) {
  av_dict_set(options, "vendor", "appl", 0);
  return true;
}

// DV has one size, rate and sampling per type; libavcodec refuses the rest.
bool ConfigureDv(AVCodecContext&, AVDictionary**, const CompressionSettings&) { return true; }

bool ConfigureJpeg(AVCodecContext& context, AVDictionary**, const CompressionSettings& settings) {
  context.flags |= AV_CODEC_FLAG_QSCALE;
  context.global_quality = FF_QP2LAMBDA * Quantiser(settings.spatialQuality);
  return true;
}

bool ConfigureMpeg4(AVCodecContext& context, AVDictionary**, const CompressionSettings& settings) {
  // The VOL header goes to the description's 'esds'.
  context.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  context.gop_size = GopOf(settings);
  context.max_b_frames = 0;
  SetQuantiserOrRate(context, settings);
  return true;
}

constexpr int kMpeg2Main = 4;
constexpr int kMpeg2HighLevel = 4;
constexpr int kMpeg2FourTwoTwo = 0;
constexpr int kMpeg2FourTwoTwoHighLevel = 2;

bool ConfigureMpeg2(AVCodecContext& context, const CompressionSettings& settings) {
  context.gop_size = GopOf(settings);
  // No B-frames, and the sequence says so: the encoder then holds no frame back.
  context.max_b_frames = 0;
  context.flags |= AV_CODEC_FLAG_LOW_DELAY;
  SetQuantiserOrRate(context, settings);
  return true;
}

// XDCAM HD422: MPEG-2 4:2:2 profile at high level.
bool ConfigureXdcam422(AVCodecContext& context, AVDictionary**,
                       const CompressionSettings& settings) {
  context.level = kMpeg2FourTwoTwoHighLevel;
  return ConfigureMpeg2(context, settings);
}

// XDCAM HD and EX: MPEG-2 main profile at high level.
bool ConfigureXdcam(AVCodecContext& context, AVDictionary**, const CompressionSettings& settings) {
  context.level = kMpeg2HighLevel;
  return ConfigureMpeg2(context, settings);
}

Compressor Row(const char (&code)[5], const char* encoder, AVPixelFormat format, const char* name,
               bool (*configure)(AVCodecContext&, AVDictionary**, const CompressionSettings&),
               int profile = FF_PROFILE_UNKNOWN) {
  Compressor row;
  row.codecType = FourCC(code);
  row.encoder = encoder;
  row.pixelFormat = format;
  row.name = name;
  row.configure = configure;
  row.profile = profile;
  return row;
}

// DV pictures are interlaced, bottom field first, at the system's one rate.
Compressor Dv(const char (&code)[5], AVPixelFormat format, const char* name, AVRational rate) {
  Compressor row = Row(code, "dvvideo", format, name, ConfigureDv);
  row.bottomFieldFirst = true;
  row.fixedRate = rate;
  return row;
}

Compressor Xdcam422(const char (&code)[5]) {
  return Row(code, "mpeg2video", AV_PIX_FMT_YUV422P, "XDCAM HD422", ConfigureXdcam422,
             kMpeg2FourTwoTwo);
}

Compressor Xdcam(const char (&code)[5]) {
  return Row(code, "mpeg2video", AV_PIX_FMT_YUV420P, "XDCAM HD", ConfigureXdcam, kMpeg2Main);
}

Compressor WithAtom(Compressor row, ConfigurationAtom atom) {
  row.atom = atom;
  return row;
}

constexpr AVRational kPal{25, 1};
constexpr AVRational kNtsc{30000, 1001};

const std::array kCompressors = {
    WithAtom(Row("avc1", "libx264", AV_PIX_FMT_YUV420P, "H.264", ConfigureH264),
             ConfigurationAtom::kAvcC),
    Row("apco", "prores_ks", AV_PIX_FMT_YUV422P10, "Apple ProRes 422 (Proxy)", ConfigureProRes, 0),
    Row("apcs", "prores_ks", AV_PIX_FMT_YUV422P10, "Apple ProRes 422 (LT)", ConfigureProRes, 1),
    Row("apcn", "prores_ks", AV_PIX_FMT_YUV422P10, "Apple ProRes 422", ConfigureProRes, 2),
    Row("apch", "prores_ks", AV_PIX_FMT_YUV422P10, "Apple ProRes 422 (HQ)", ConfigureProRes, 3),
    Row("ap4h", "prores_ks", AV_PIX_FMT_YUV444P10, "Apple ProRes 4444", ConfigureProRes, 4),
    Dv("dvc ", AV_PIX_FMT_YUV411P, "DV - NTSC", kNtsc),
    Dv("dvcp", AV_PIX_FMT_YUV420P, "DV - PAL", kPal),
    Dv("dvpp", AV_PIX_FMT_YUV411P, "DVCPRO - PAL", kPal),
    Dv("dv5n", AV_PIX_FMT_YUV422P, "DVCPRO50 - NTSC", kNtsc),
    Dv("dv5p", AV_PIX_FMT_YUV422P, "DVCPRO50 - PAL", kPal),
    Xdcam422("xd59"),
    Xdcam422("xd5a"),
    Xdcam422("xd5b"),
    Xdcam422("xd5c"),
    Xdcam422("xd5d"),
    Xdcam422("xd5e"),
    Xdcam422("xd5f"),
    Xdcam("xdv1"),
    Xdcam("xdv2"),
    Xdcam("xdv3"),
    Xdcam("xdv4"),
    Xdcam("xdv5"),
    Xdcam("xdv6"),
    Xdcam("xdv7"),
    Xdcam("xdv8"),
    Xdcam("xdv9"),
    Xdcam("xdva"),
    Xdcam("xdvb"),
    Xdcam("xdvc"),
    Xdcam("xdvd"),
    Xdcam("xdve"),
    Xdcam("xdvf"),
    Row("jpeg", "mjpeg", AV_PIX_FMT_YUVJ422P, "Photo - JPEG", ConfigureJpeg),
    WithAtom(Row("mp4v", "mpeg4", AV_PIX_FMT_YUV420P, "MPEG-4 Video", ConfigureMpeg4),
             ConfigurationAtom::kEsds),
};

}  // namespace

const Compressor* FindCompressor(uint32_t codecType) {
  const auto* found =
      std::find_if(kCompressors.begin(), kCompressors.end(),
                   [codecType](const Compressor& c) { return c.codecType == codecType; });
  return found == kCompressors.end() ? nullptr : &*found;
}

std::span<const Compressor> AllCompressors() { return kCompressors; }

}  // namespace zeb::codec
