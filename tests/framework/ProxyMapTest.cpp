#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/proxy/include/ZEBProxyCodec.h"
#include "zebplug/ZEBPlugEnums.h"

namespace {

uint32_t Code(const char* text) {
  return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 8 | static_cast<uint8_t>(text[3]);
}

SPlugVideoStreamInfo Video(uint32_t type, uint32_t subType) {
  SPlugVideoStreamInfo info{};
  info.size = sizeof(info);
  info.videoType = type;
  info.videoSubType = subType;
  return info;
}

SPlugAudioStreamInfo Audio(uint32_t type, uint32_t bits, uint32_t subType) {
  SPlugAudioStreamInfo info{};
  info.size = sizeof(info);
  info.audioType = type;
  info.bitsPerSample = bits;
  info.audioSubType = subType;
  return info;
}

// Every video code the library must carry, written out independently of its
// table: colour format 0 for compressed codes.
struct KnownVideo {
  const char* code;
  uint32_t colorFormat;
  bool mpeg2;
};

constexpr KnownVideo kKnownVideo[] = {
    {"dvc ", 0, false},  {"dvcp", 0, false},  {"dvpp", 0, false},  {"dv5p", 0, false},
    {"dv5n", 0, false},  {"dvh5", 0, false},  {"dvh6", 0, false},  {"dvhp", 0, false},
    {"dv1p", 0, false},  {"dv1n", 0, false},  {"mpeg", 0, true},   {"xdv1", 0, true},
    {"xdv9", 0, true},   {"xdva", 0, true},   {"xdvf", 0, true},   {"xd59", 0, true},
    {"xd5c", 0, true},   {"xd5f", 0, true},   {"hdv1", 0, true},   {"hdv2", 0, true},
    {"hdv3", 0, true},   {"hdv5", 0, true},   {"hdv6", 0, true},   {"hdv7", 0, true},
    {"hdv8", 0, true},   {"mx5p", 0, true},   {"mx5n", 0, true},   {"mx4p", 0, true},
    {"mx4n", 0, true},   {"mx3p", 0, true},   {"mx3n", 0, true},   {"AVmp", 0, true},
    {"AVmn", 0, true},   {"avc1", 0, false},  {"AVdn", 0, false},  {"apcn", 0, false},
    {"apch", 0, false},  {"apcs", 0, false},  {"apco", 0, false},  {"ap4h", 0, false},
    {"ap4x", 0, false},  {"jpeg", 0, false},  {"mjpa", 0, false},  {"mjpb", 0, false},
    {"mp4v", 0, false},  {"png ", 0, false},  {"rle ", 0, false},  {"8BPS", 0, false},
    {"2vuy", 14, false}, {"yuv2", 16, false}, {"v210", 15, false}, {"raw ", 4, false},
    {"ARGB", 1, false},  {"b64a", 3, false},  {"b48r", 6, false},
};

TEST(ProxyMap, EveryKnownVideoCodeRoundTrips) {
  for (const KnownVideo& known : kKnownVideo) {
    const uint32_t fourcc = Code(known.code);
    const uint32_t subType = GetVideoSubType(PLUG_VIDEO_TYPE_QUICKTIME_, fourcc);
    EXPECT_EQ(subType, fourcc) << known.code;
    const SPlugVideoStreamInfo info = Video(PLUG_VIDEO_TYPE_QUICKTIME_, subType);
    EXPECT_EQ(GetQuickTimeVideoTypeFOURCC(&info), fourcc) << known.code;

    uint32_t colorFormat = 0xABCD;
    EXPECT_EQ(IsQuickTimeUnCompressVideoType(fourcc, &colorFormat) != 0, known.colorFormat != 0)
        << known.code;
    EXPECT_EQ(colorFormat, known.colorFormat ? known.colorFormat : 0xABCD) << known.code;

    const uint32_t mpegSubType = GetVideoSubType(PLUG_VIDEO_TYPE_MPEG2_, fourcc);
    EXPECT_EQ(mpegSubType, known.mpeg2 ? fourcc : Code("mpeg")) << known.code;
    const SPlugVideoStreamInfo mpeg = Video(PLUG_VIDEO_TYPE_MPEG2_, mpegSubType);
    EXPECT_EQ(GetQuickTimeVideoTypeFOURCC(&mpeg), known.mpeg2 ? fourcc : Code("mpeg"))
        << known.code;
  }
}

TEST(ProxyMap, VideoRecordsToFourcc) {
  struct Case {
    const char* name;
    uint32_t type, subType, expected;
  };
  const Case cases[] = {
      {"MPEG-1 without sub-type", PLUG_VIDEO_TYPE_MPEG1_, 0, Code("mpeg")},
      {"H.264 whatever its sub-type", PLUG_VIDEO_TYPE_H264_, 77, Code("avc1")},
      {"DNxHD variant", PLUG_VIDEO_TYPE_DNXHD_, 9, Code("AVdn")},
      {"QuickTime unknown code", PLUG_VIDEO_TYPE_QUICKTIME_, Code("zzzz"), ZEB_FOURCC_NONE},
      {"QuickTime zero code", PLUG_VIDEO_TYPE_QUICKTIME_, 0, ZEB_FOURCC_NONE},
      {"QuickTime all bits set", PLUG_VIDEO_TYPE_QUICKTIME_, 0xFFFFFFFF, ZEB_FOURCC_NONE},
      {"no type", 0, Code("avc1"), ZEB_FOURCC_NONE},
      {"unknown type", 99, Code("avc1"), ZEB_FOURCC_NONE},
  };
  for (const Case& c : cases) {
    const SPlugVideoStreamInfo info = Video(c.type, c.subType);
    EXPECT_EQ(GetQuickTimeVideoTypeFOURCC(&info), c.expected) << c.name;
  }
  EXPECT_EQ(GetQuickTimeVideoTypeFOURCC(nullptr), ZEB_FOURCC_NONE);
  EXPECT_EQ(GetVideoSubType(PLUG_VIDEO_TYPE_H264_, Code("avc1")), 0u);
  EXPECT_EQ(GetVideoSubType(PLUG_VIDEO_TYPE_QUICKTIME_, Code("zzzz")), Code("zzzz"))
      << "the file's code is kept";
  EXPECT_EQ(IsQuickTimeUnCompressVideoType(Code("2vuy"), nullptr), 1);
}

TEST(ProxyMap, AudioRecordsToCodes) {
  struct Case {
    uint32_t type, bits, subType, expected;
    bool pcm;
  };
  constexpr uint32_t kQt = PLUG_AUDIO_TYPE_QUICKTIME_;
  std::vector<Case> cases = {
      {PLUG_AUDIO_TYPE_PCM_, 8, 0, Code("twos"), true},
      {PLUG_AUDIO_TYPE_PCM_, 16, 0, Code("twos"), true},
      {PLUG_AUDIO_TYPE_PCM_, 24, 0, Code("in24"), true},
      {PLUG_AUDIO_TYPE_PCM_, 32, 0, Code("in32"), true},
      {PLUG_AUDIO_TYPE_PCM_, 20, 0, ZEB_FOURCC_NONE, false},
      {PLUG_AUDIO_TYPE_PCM_LE_, 16, 0, Code("sowt"), true},
      {PLUG_AUDIO_TYPE_PCM_LE_, 24, 0, Code("42ni"), true},
      {PLUG_AUDIO_TYPE_PCM_LE_, 32, 0, Code("23ni"), true},
      {PLUG_AUDIO_TYPE_PCM_LE_, 0, 0, ZEB_FOURCC_NONE, false},
      {kQt, 16, Code("Opus"), ZEB_FOURCC_NONE, false},
      {7, 16, Code("twos"), ZEB_FOURCC_NONE, false},
  };
  // A file's own code passes through when the library knows it.
  for (const char* code : {"fl32", "fl64", "lpcm", "raw ", "NONE", "twos"})
    cases.push_back({kQt, 16, Code(code), Code(code), true});
  for (const char* code : {"mp4a", "ima4", "ulaw", "alaw", "ac-3", "alac", ".mp3", "MAC3", "MAC6"})
    cases.push_back({kQt, 16, Code(code), Code(code), false});
  for (const Case& c : cases) {
    const SPlugAudioStreamInfo info = Audio(c.type, c.bits, c.subType);
    const uint32_t code = GetQuickTimeAudioFOURCC(&info);
    EXPECT_EQ(code, c.expected) << c.type << "/" << c.bits << "/" << c.subType;
    EXPECT_EQ(IsQuickTimeUnCompressAudio(code) != 0, c.pcm)
        << c.type << "/" << c.bits << "/" << c.subType;
  }
  EXPECT_EQ(GetQuickTimeAudioFOURCC(nullptr), ZEB_FOURCC_NONE);
}

}  // namespace
