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

// One row per rule of the mapping; the codes themselves are the library's table.
TEST(ProxyMap, VideoRecordsToFourcc) {
  struct Case {
    const char* name;
    uint32_t type, fourcc, subType, expected;
  };
  constexpr uint32_t kQt = PLUG_VIDEO_TYPE_QUICKTIME_;
  constexpr uint32_t kMpeg2 = PLUG_VIDEO_TYPE_MPEG2_;
  const Case cases[] = {
      {"QuickTime known code", kQt, Code("apcn"), Code("apcn"), Code("apcn")},
      {"QuickTime code with a space", kQt, Code("dvc "), Code("dvc "), Code("dvc ")},
      {"QuickTime unknown code kept as sub-type", kQt, Code("zzzz"), Code("zzzz"), ZEB_FOURCC_NONE},
      {"QuickTime zero code", kQt, 0, 0, ZEB_FOURCC_NONE},
      {"QuickTime all bits set", kQt, 0xFFFFFFFF, 0xFFFFFFFF, ZEB_FOURCC_NONE},
      {"MPEG-2 family code", kMpeg2, Code("xd5c"), Code("xd5c"), Code("xd5c")},
      {"IMX under MPEG-2", kMpeg2, Code("mx5p"), Code("mx5p"), Code("mx5p")},
      {"other code under MPEG-2", kMpeg2, Code("avc1"), Code("mpeg"), Code("mpeg")},
      {"MPEG-1 without sub-type", PLUG_VIDEO_TYPE_MPEG1_, 0, Code("mpeg"), Code("mpeg")},
      {"H.264 whatever its sub-type", PLUG_VIDEO_TYPE_H264_, Code("avc1"), 0, Code("avc1")},
      {"DNxHD variant", PLUG_VIDEO_TYPE_DNXHD_, Code("AVdn"), 0, Code("AVdn")},
      {"no type", 0, Code("avc1"), 0, ZEB_FOURCC_NONE},
      {"unknown type", 99, Code("avc1"), 0, ZEB_FOURCC_NONE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetVideoSubType(c.type, c.fourcc), c.subType) << c.name;
    const SPlugVideoStreamInfo info = Video(c.type, c.subType != 0 ? c.subType : c.fourcc);
    EXPECT_EQ(GetQuickTimeVideoTypeFOURCC(&info), c.expected) << c.name;
  }
  EXPECT_EQ(GetQuickTimeVideoTypeFOURCC(nullptr), ZEB_FOURCC_NONE);
}

TEST(ProxyMap, UncompressedVideoCodesNameTheirColourFormat) {
  const std::pair<const char*, uint32_t> cases[] = {
      {"2vuy", PLUG_COLOR_FORMAT_UYVY_}, {"raw ", 4}, {"avc1", 0}, {"zzzz", 0}};
  for (const auto& [code, colorFormat] : cases) {
    uint32_t written = 0xABCD;
    EXPECT_EQ(IsQuickTimeUnCompressVideoType(Code(code), &written) != 0, colorFormat != 0) << code;
    EXPECT_EQ(written, colorFormat != 0 ? colorFormat : 0xABCD) << code << ": left alone";
  }
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
  for (const char* code : {"fl32", "lpcm"})
    cases.push_back({kQt, 16, Code(code), Code(code), true});
  for (const char* code : {"mp4a", "ima4"})
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
