// The QuickTime codes this library knows, in one place.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "zebplug/ZEBPlugEnums.h"

namespace zeb::proxy {

constexpr uint32_t Fourcc(const char (&code)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}

enum class VideoKind {
  kCompressed,
  kMpeg2Family,   // carried as MPEG video types 1 and 2 as well
  kUncompressed,  // pixels as stored; colorFormat says how
};

struct VideoCode {
  uint32_t fourcc;
  VideoKind kind;
  uint32_t colorFormat;  // PLUG_COLOR_FORMAT_ of an uncompressed code, else 0
};

constexpr VideoCode Compressed(const char (&code)[5]) {
  return {Fourcc(code), VideoKind::kCompressed, 0};
}
constexpr VideoCode Mpeg2(const char (&code)[5]) {
  return {Fourcc(code), VideoKind::kMpeg2Family, 0};
}
constexpr VideoCode Pixels(const char (&code)[5], uint32_t format) {
  return {Fourcc(code), VideoKind::kUncompressed, format};
}

inline constexpr auto kVideoCodes = std::to_array<VideoCode>({
    // DV, DVCPRO, DVCPRO50 and DVCPRO HD
    Compressed("dvc "),
    Compressed("dvcp"),
    Compressed("dvpp"),
    Compressed("dv5p"),
    Compressed("dv5n"),
    Compressed("dvh5"),
    Compressed("dvh6"),
    Compressed("dvhp"),
    Compressed("dv1p"),
    Compressed("dv1n"),
    Compressed("dvh1"),
    Compressed("dvh2"),
    Compressed("dvh3"),
    Compressed("dvh4"),
    Compressed("dvhq"),
    // MPEG-2: plain, XDCAM EX/HD, XDCAM HD422, HDV, IMX
    Mpeg2("mpeg"),
    Mpeg2("xdv1"),
    Mpeg2("xdv2"),
    Mpeg2("xdv3"),
    Mpeg2("xdv4"),
    Mpeg2("xdv5"),
    Mpeg2("xdv6"),
    Mpeg2("xdv7"),
    Mpeg2("xdv8"),
    Mpeg2("xdv9"),
    Mpeg2("xdva"),
    Mpeg2("xdvb"),
    Mpeg2("xdvc"),
    Mpeg2("xdvd"),
    Mpeg2("xdve"),
    Mpeg2("xdvf"),
    Mpeg2("xd59"),
    Mpeg2("xd5a"),
    Mpeg2("xd5b"),
    Mpeg2("xd5c"),
    Mpeg2("xd5d"),
    Mpeg2("xd5e"),
    Mpeg2("xd5f"),
    Mpeg2("hdv1"),
    Mpeg2("hdv2"),
    Mpeg2("hdv3"),
    Compressed("hdv4"),  // not in the MPEG-2 family
    Mpeg2("hdv5"),
    Mpeg2("hdv6"),
    Mpeg2("hdv7"),
    Mpeg2("hdv8"),
    Mpeg2("mx5p"),
    Mpeg2("mx5n"),
    Mpeg2("mx4p"),
    Mpeg2("mx4n"),
    Mpeg2("mx3p"),
    Mpeg2("mx3n"),
    Mpeg2("AVmp"),
    Mpeg2("AVmn"),
    // H.264, DNxHD, ProRes, Motion JPEG, MPEG-4 part 2
    Compressed("avc1"),
    Compressed("AVdn"),
    Compressed("apcn"),
    Compressed("apch"),
    Compressed("apcs"),
    Compressed("apco"),
    Compressed("ap4h"),
    Compressed("ap4x"),
    Compressed("jpeg"),
    Compressed("mjpa"),
    Compressed("mjpb"),
    Compressed("mp4v"),
    // Still-image and run-length codes that movies carry as video
    Compressed("8BPS"),
    Compressed("b32a"),
    Compressed("b16g"),
    Compressed("PNTG"),
    Compressed("gif "),
    Compressed("kpcd"),
    Compressed("avr "),
    Compressed("dmb1"),
    Compressed("WRLE"),
    Compressed("tga "),
    Compressed("png "),
    Compressed("flic"),
    Compressed("tiff"),
    Compressed("rle "),
    // Uncompressed
    Pixels("2vuy", PLUG_COLOR_FORMAT_UYVY_),
    Pixels("yuv2", PLUG_COLOR_FORMAT_16_),
    Pixels("v210", PLUG_COLOR_FORMAT_V210_),
    Pixels("raw ", PLUG_COLOR_FORMAT_RGB24_),
    Pixels("ARGB", PLUG_COLOR_FORMAT_ARGB32_),
    Pixels("BGRA", PLUG_COLOR_FORMAT_ARGB32_),
    Pixels("b64a", PLUG_COLOR_FORMAT_ARGB64_),
    Pixels("b48r", PLUG_COLOR_FORMAT_RGB48_),
});

struct AudioCode {
  uint32_t code;
  bool pcm;
};

constexpr AudioCode Pcm(const char (&code)[5]) { return {Fourcc(code), true}; }
constexpr AudioCode Coded(const char (&code)[5]) { return {Fourcc(code), false}; }

inline constexpr auto kAudioCodes = std::to_array<AudioCode>({
    Pcm("twos"),   Pcm("sowt"),   Pcm("in24"),   Pcm("in32"),   Pcm("fl32"),
    Pcm("fl64"),   Pcm("lpcm"),   Pcm("raw "),   Pcm("NONE"),   Pcm("42ni"),
    Pcm("23ni"),   Coded("mp4a"), Coded("ima4"), Coded("ulaw"), Coded("alaw"),
    Coded("ac-3"), Coded("alac"), Coded(".mp3"), Coded("MAC3"), Coded("MAC6"),
});

// Null when the code is not in the table.
constexpr const VideoCode* FindVideoCode(uint32_t fourcc) {
  const auto* found =
      std::find_if(kVideoCodes.begin(), kVideoCodes.end(),
                   [fourcc](const VideoCode& entry) { return entry.fourcc == fourcc; });
  return found == kVideoCodes.end() ? nullptr : found;
}

constexpr const AudioCode* FindAudioCode(uint32_t code) {
  const auto* found = std::find_if(kAudioCodes.begin(), kAudioCodes.end(),
                                   [code](const AudioCode& entry) { return entry.code == code; });
  return found == kAudioCodes.end() ? nullptr : found;
}

}  // namespace zeb::proxy
