#include "media/CodecTraits.h"

#include <algorithm>
#include <array>

#include "media/FourCC.h"

namespace zeb::media {

namespace {

constexpr CodecTraits Video(const char (&code)[5], const char* decoder = nullptr) {
  CodecTraits row;
  row.code = FourCC(code);
  row.decoder = decoder;
  return row;
}

// Still-image and RGB codes: the host gets ARGB pictures.
constexpr CodecTraits Picture(const char (&code)[5], const char* decoder = nullptr) {
  CodecTraits row = Video(code, decoder);
  row.colorFormat = PLUG_COLOR_FORMAT_ARGB32_;
  return row;
}

constexpr CodecTraits Pixels(const char (&code)[5], uint32_t colorFormat) {
  CodecTraits row = Video(code);
  row.colorFormat = colorFormat;
  row.uncompressed = true;
  return row;
}

constexpr CodecTraits DvStandard(const char (&code)[5], VideoSystem system) {
  CodecTraits row = Video(code, "dvvideo");
  row.colorFormat = PLUG_COLOR_FORMAT_NONE_;
  row.parser = StreamParser::kDv;
  row.system = system;
  return row;
}

constexpr CodecTraits DvcproHd(const char (&code)[5], VideoSystem system) {
  CodecTraits row = Video(code, "dvvideo");
  row.colorFormat = PLUG_COLOR_FORMAT_YUV422_13_;
  row.system = system;
  return row;
}

// MPEG-2 video whose picture headers type every frame: plain, XDCAM EX/HD,
// XDCAM HD422, HDV.
constexpr CodecTraits Mpeg(const char (&code)[5]) {
  CodecTraits row = Video(code, "mpeg2video");
  row.colorFormat = PLUG_COLOR_FORMAT_NONE_;
  row.parser = StreamParser::kMpeg;
  row.pictures = PictureTyping::kMpegPictureHeader;
  return row;
}

// MPEG IMX: intra-only MPEG-2, typed by the key flag. `megabits` 0: stored
// without the D-10 KLV item.
constexpr CodecTraits Imx(const char (&code)[5], VideoSystem system, uint8_t megabits) {
  CodecTraits row = Video(code, "mpeg2video");
  row.colorFormat = PLUG_COLOR_FORMAT_NONE_;
  row.parser = StreamParser::kMpeg;
  row.system = system;
  row.imxMegabits = megabits;
  return row;
}

constexpr CodecTraits H264(const char (&code)[5]) {
  CodecTraits row = Video(code, "h264");
  row.videoType = PLUG_VIDEO_TYPE_H264_;
  row.colorFormat = PLUG_COLOR_FORMAT_NONE_;
  row.parser = StreamParser::kH264;
  row.pictures = PictureTyping::kH264Slices;
  return row;
}

constexpr CodecTraits Dnxhd(const char (&code)[5]) {
  CodecTraits row = Video(code, "dnxhd");
  row.videoType = PLUG_VIDEO_TYPE_DNXHD_;
  return row;
}

constexpr CodecTraits Audio(const char (&code)[5]) {
  CodecTraits row;
  row.code = FourCC(code);
  row.family = CodecFamily::kAudio;
  row.colorFormat = PLUG_COLOR_FORMAT_NONE_;
  return row;
}

constexpr CodecTraits Pcm(const char (&code)[5], PcmCoding coding, uint8_t bytes) {
  CodecTraits row = Audio(code);
  row.pcm = coding;
  row.pcmBytes = bytes;
  return row;
}

using enum VideoSystem;
using enum PcmCoding;

constexpr auto kTable = std::to_array<CodecTraits>({
    DvStandard("dvc ", k525i60),
    DvStandard("dvcp", k625i50),
    DvStandard("dvpp", k625i50),
    DvStandard("dv5p", k625i50),
    DvStandard("dv5n", k525i60),
    DvcproHd("dvh5", k1080i50),
    DvcproHd("dv1p", k1080i50),
    DvcproHd("dvh6", k1080i60),
    DvcproHd("dv1n", k1080i60),
    DvcproHd("dvhp", k720p),
    Mpeg("mpeg"),
    Mpeg("xdv1"),
    Mpeg("xdv2"),
    Mpeg("xdv3"),
    Mpeg("xdv4"),
    Mpeg("xdv5"),
    Mpeg("xdv6"),
    Mpeg("xdv7"),
    Mpeg("xdv8"),
    Mpeg("xdv9"),
    Mpeg("xdva"),
    Mpeg("xdvb"),
    Mpeg("xdvc"),
    Mpeg("xdvd"),
    Mpeg("xdve"),
    Mpeg("xdvf"),
    Mpeg("xd59"),
    Mpeg("xd5a"),
    Mpeg("xd5b"),
    Mpeg("xd5c"),
    Mpeg("xd5d"),
    Mpeg("xd5e"),
    Mpeg("xd5f"),
    Mpeg("hdv1"),
    Mpeg("hdv2"),
    Mpeg("hdv3"),
    Mpeg("hdv5"),
    Mpeg("hdv6"),
    Mpeg("hdv7"),
    Mpeg("hdv8"),
    // No MPEG-family code: neither parsed nor typed by picture headers.
    Video("hdv4", "mpeg2video"),
    Imx("mx5p", k625i50, 50),
    Imx("mx5n", k525i60, 50),
    Imx("mx4p", k625i50, 40),
    Imx("mx4n", k525i60, 40),
    Imx("mx3p", k625i50, 30),
    Imx("mx3n", k525i60, 30),
    Imx("AVmp", k625i50, 0),
    Imx("AVmn", k525i60, 0),
    H264("avc1"),
    Dnxhd("AVdn"),
    Video("apch", "prores"),
    Video("apcn", "prores"),
    Video("apcs", "prores"),
    Video("apco", "prores"),
    Video("ap4h", "prores"),
    Video("mp4v", "mpeg4"),
    Picture("8BPS", "8bps"),
    Picture("b32a"),
    Picture("b16g"),
    Picture("jpeg", "mjpeg"),
    Picture("mjpa", "mjpeg"),
    Picture("mjpb", "mjpegb"),
    Picture("PNTG"),
    Picture("gif ", "gif"),
    Picture("kpcd"),
    Picture("avr "),
    Picture("dmb1", "mjpeg"),
    Picture("WRLE"),
    Picture("tga ", "targa"),
    Picture("png ", "png"),
    Picture("flic", "flic"),
    Picture("tiff", "tiff"),
    Picture("rle ", "qtrle"),
    Pixels("2vuy", PLUG_COLOR_FORMAT_UYVY_),
    Pixels("yuv2", PLUG_COLOR_FORMAT_16_),
    Pixels("v210", PLUG_COLOR_FORMAT_V210_),
    Pixels("raw ", PLUG_COLOR_FORMAT_RGB24_),
    Pixels("ARGB", PLUG_COLOR_FORMAT_ARGB32_),
    Pixels("BGRA", PLUG_COLOR_FORMAT_ARGB32_),
    Pixels("b64a", PLUG_COLOR_FORMAT_ARGB64_),
    Pixels("b48r", PLUG_COLOR_FORMAT_RGB48_),
    Pcm("twos", kBigEndian, 0),
    Pcm("sowt", kLittleEndian, 0),
    Pcm("raw ", kUnsigned, 0),
    Pcm("NONE", kUnsigned, 0),  // what the sound settings call 8-bit 'raw '
    Pcm("in24", kBigEndian, 3),
    Pcm("42ni", kLittleEndian, 3),
    Pcm("in32", kBigEndian, 4),
    Pcm("23ni", kLittleEndian, 4),
    Pcm("fl32", kFloat, 4),
    Pcm("fl64", kFloat, 8),
    Pcm("lpcm", kDescribed, 0),
    Audio("mp4a"),
    Audio("ima4"),
    Audio("ulaw"),
    Audio("alaw"),
    Audio("ac-3"),
    Audio("alac"),
    Audio(".mp3"),
    Audio("Qclp"),
    Audio("MAC3"),
    Audio("MAC6"),
});

}  // namespace

const CodecTraits* FindCodec(CodecFamily family, uint32_t code) {
  const auto* row = std::find_if(kTable.begin(), kTable.end(), [&](const CodecTraits& r) {
    return r.code == code && r.family == family;
  });
  return row == kTable.end() ? nullptr : row;
}

std::span<const CodecTraits> CodecTable() { return kTable; }

}  // namespace zeb::media
