#include "platform/codec/Compressors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "platform/codec/ImageCompression.h"
#include "platform/codec/ProResBands.h"
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

// MPEG IMX (D-10): intra-only MPEG-2 4:2:2 at main level, interlaced top
// field first, at a constant rate whose every frame fills the D-10 frame of
// 4 × trunc(rate ÷ (frame rate × 32)) bytes, the buffer one frame deep.
template <int kMegabits>
bool ConfigureImx(AVCodecContext& context, AVDictionary** options,
                  const CompressionSettings& settings) {
  constexpr int kMpeg2MainLevel = 8;
  constexpr int kTenBitDc = 2;        // intra DC precision 8 + 2 bits
  constexpr int kNonLinearQmax = 28;  // the largest the non-linear scale takes
  const double frameRate = av_q2d(settings.frameRate);
  const int64_t frameBits = int64_t{32} * static_cast<int64_t>(kMegabits * 1e6 / (frameRate * 32));
  context.level = kMpeg2MainLevel;
  context.gop_size = 1;
  context.max_b_frames = 0;
  context.flags |=
      AV_CODEC_FLAG_LOW_DELAY | AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
  context.intra_dc_precision = kTenBitDc;
  context.qmax = kNonLinearQmax;
  context.bit_rate = static_cast<int64_t>(static_cast<double>(frameBits) * frameRate);
  context.rc_min_rate = context.bit_rate;
  context.rc_max_rate = context.bit_rate;
  context.rc_buffer_size = static_cast<int>(frameBits);
  context.rc_initial_buffer_occupancy = static_cast<int>(frameBits);
  av_dict_set(options, "intra_vlc", "1", 0);
  av_dict_set(options, "non_linear_quant", "1", 0);
  return true;
}

// The DNxHD resolutions of 8-bit 4:2:2 pictures: libavcodec takes the
// compression id from the size, the scan and a bit rate it lists for the id
// (Mb/s); every frame of an id has the same size.
struct DnxhdResolution {
  int compressionId;
  int width;
  int height;
  bool interlaced;
  int listedMegabits;
  int frameBytes;
};

constexpr std::array kDnxhdResolutions = {
    DnxhdResolution{1253, 1920, 1080, false, 36, 188416},
    DnxhdResolution{1237, 1920, 1080, false, 115, 606208},
    DnxhdResolution{1238, 1920, 1080, false, 175, 917504},
    DnxhdResolution{1242, 1920, 1080, true, 120, 606208},
    DnxhdResolution{1243, 1920, 1080, true, 185, 917504},
    DnxhdResolution{1244, 1440, 1080, true, 120, 606208},
    DnxhdResolution{1252, 1280, 720, false, 60, 303104},
    DnxhdResolution{1251, 1280, 720, false, 90, 458752},
};

// 1080 lines are interlaced at the television rates (1080i50, 1080i60) and
// progressive at the others; 1440 × 1080 exists only interlaced, 720 only
// progressive. Rates are compared loosely: a host's 2997/100 is 1080i60 too.
bool DnxhdInterlaced(int width, int height, AVRational frameRate) {
  if (width == 1440) return true;
  if (height != 1080) return false;
  const double rate = av_q2d(frameRate);
  return std::fabs(rate - 25.0) < 0.01 || std::fabs(rate - 30000.0 / 1001.0) < 0.01;
}

// The resolution of the size and scan whose rate at the frame rate comes
// nearest the data rate; without one, the largest frames the size has.
const DnxhdResolution* ChooseDnxhd(int width, int height, AVRational frameRate, int64_t bitRate) {
  const bool interlaced = DnxhdInterlaced(width, height, frameRate);
  const double rate = av_q2d(frameRate);
  const DnxhdResolution* chosen = nullptr;
  double chosenDistance = 0;
  for (const DnxhdResolution& resolution : kDnxhdResolutions) {
    if (resolution.width != width || resolution.height != height ||
        resolution.interlaced != interlaced) {
      continue;
    }
    const double bits = resolution.frameBytes * 8.0 * rate;
    const double distance = bitRate > 0 ? std::fabs(bits - static_cast<double>(bitRate)) : -bits;
    if (chosen == nullptr || distance < chosenDistance) {
      chosen = &resolution;
      chosenDistance = distance;
    }
  }
  return chosen;
}

bool ConfigureDnxhd(AVCodecContext& context, AVDictionary**, const CompressionSettings& settings) {
  const DnxhdResolution* resolution =
      ChooseDnxhd(settings.width, settings.height, settings.frameRate, settings.bitRate);
  if (resolution == nullptr) return false;
  context.bit_rate = int64_t{resolution->listedMegabits} * 1000000;
  if (resolution->interlaced) context.flags |= AV_CODEC_FLAG_INTERLACED_DCT;
  return true;
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

// DVCPRO HD codes its pictures at a width of its own, its one rate per code.
Compressor DvcproHd(const char (&code)[5], const char* name, int codedWidth, int codedHeight,
                    AVRational rate) {
  Compressor row = Row(code, "dvvideo", AV_PIX_FMT_YUV422P, name, ConfigureDv);
  row.fixedRate = rate;
  row.codedWidth = codedWidth;
  row.codedHeight = codedHeight;
  return row;
}

template <int kMegabits>
Compressor Imx(const char (&code)[5], const char* name, AVRational rate) {
  Compressor row =
      Row(code, "mpeg2video", AV_PIX_FMT_YUV422P, name, ConfigureImx<kMegabits>, kMpeg2FourTwoTwo);
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

// ProRes codes its rows apart, so its pictures are coded in bands.
Compressor ProRes(const char (&code)[5], AVPixelFormat format, const char* name, int profile) {
  Compressor row = Row(code, "prores_ks", format, name, ConfigureProRes, profile);
  row.bands = &kProResBands;
  return row;
}

Compressor WithAtom(Compressor row, ConfigurationAtom atom) {
  row.atom = atom;
  return row;
}

constexpr AVRational kPal{25, 1};
constexpr AVRational kNtsc{30000, 1001};
constexpr AVRational kNtscProgressive{60000, 1001};

const std::array kCompressors = {
    WithAtom(Row("avc1", "libx264", AV_PIX_FMT_YUV420P, "H.264", ConfigureH264),
             ConfigurationAtom::kAvcC),
    ProRes("apco", AV_PIX_FMT_YUV422P10, "Apple ProRes 422 (Proxy)", 0),
    ProRes("apcs", AV_PIX_FMT_YUV422P10, "Apple ProRes 422 (LT)", 1),
    ProRes("apcn", AV_PIX_FMT_YUV422P10, "Apple ProRes 422", 2),
    ProRes("apch", AV_PIX_FMT_YUV422P10, "Apple ProRes 422 (HQ)", 3),
    ProRes("ap4h", AV_PIX_FMT_YUV444P10, "Apple ProRes 4444", 4),
    Dv("dvc ", AV_PIX_FMT_YUV411P, "DV - NTSC", kNtsc),
    Dv("dvcp", AV_PIX_FMT_YUV420P, "DV - PAL", kPal),
    Dv("dvpp", AV_PIX_FMT_YUV411P, "DVCPRO - PAL", kPal),
    Dv("dv5n", AV_PIX_FMT_YUV422P, "DVCPRO50 - NTSC", kNtsc),
    Dv("dv5p", AV_PIX_FMT_YUV422P, "DVCPRO50 - PAL", kPal),
    DvcproHd("dvh5", "DVCPRO HD 1080i50", 1440, 1080, kPal),
    DvcproHd("dvh6", "DVCPRO HD 1080i60", 1280, 1080, kNtsc),
    DvcproHd("dvhp", "DVCPRO HD 720p60", 960, 720, kNtscProgressive),
    Row("AVdn", "dnxhd", AV_PIX_FMT_YUV422P, "Avid- DNxHD Codec", ConfigureDnxhd),
    Imx<50>("mx5p", "MPEG IMX 625/50 (50 Mb/s)", kPal),
    Imx<50>("mx5n", "MPEG IMX 525/60 (50 Mb/s)", kNtsc),
    Imx<40>("mx4p", "MPEG IMX 625/50 (40 Mb/s)", kPal),
    Imx<40>("mx4n", "MPEG IMX 525/60 (40 Mb/s)", kNtsc),
    Imx<30>("mx3p", "MPEG IMX 625/50 (30 Mb/s)", kPal),
    Imx<30>("mx3n", "MPEG IMX 525/60 (30 Mb/s)", kNtsc),
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

int DnxhdCompressionId(int width, int height, AVRational frameRate, int64_t bitRate) {
  const DnxhdResolution* resolution = ChooseDnxhd(width, height, frameRate, bitRate);
  return resolution == nullptr ? 0 : resolution->compressionId;
}

const Compressor* FindCompressor(uint32_t codecType) {
  const auto* found =
      std::find_if(kCompressors.begin(), kCompressors.end(),
                   [codecType](const Compressor& c) { return c.codecType == codecType; });
  return found == kCompressors.end() ? nullptr : &*found;
}

std::span<const Compressor> AllCompressors() { return kCompressors; }

}  // namespace zeb::codec
