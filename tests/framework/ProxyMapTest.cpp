// The framework's mapping from host records to four-character codes, rule by
// rule. Which codes it knows is the codec table's business: CodecTraitsTest
// checks the two agree on every code.
#include <gtest/gtest.h>

#include <cstdint>

#include "framework/proxy/include/ZEBProxyCodec.h"
#include "media/FourCC.h"
#include "zebplug/ZEBPlugEnums.h"

namespace {

using zeb::media::FourCC;

TEST(ProxyMap, VideoRecordsToFourcc) {
  struct Case {
    const char* name;
    uint32_t type, fourcc, subType, expected;
  };
  constexpr uint32_t kQt = PLUG_VIDEO_TYPE_QUICKTIME_, kMpeg2 = PLUG_VIDEO_TYPE_MPEG2_;
  const Case cases[] = {
      {"QuickTime unknown code kept as sub-type", kQt, FourCC("zzzz"), FourCC("zzzz"), 0},
      {"QuickTime zero code", kQt, 0, 0, 0},
      {"QuickTime all bits set", kQt, 0xFFFFFFFF, 0xFFFFFFFF, 0},
      {"other code under MPEG-2", kMpeg2, FourCC("avc1"), FourCC("mpeg"), FourCC("mpeg")},
      {"MPEG-1 without sub-type", PLUG_VIDEO_TYPE_MPEG1_, 0, FourCC("mpeg"), FourCC("mpeg")},
      {"H.264 whatever its sub-type", PLUG_VIDEO_TYPE_H264_, FourCC("avc1"), 0, FourCC("avc1")},
      {"DNxHD variant", PLUG_VIDEO_TYPE_DNXHD_, FourCC("AVdn"), 0, FourCC("AVdn")},
      {"no type", 0, FourCC("avc1"), 0, 0},
      {"unknown type", 99, FourCC("avc1"), 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetVideoSubType(c.type, c.fourcc), c.subType) << c.name;
    SPlugVideoStreamInfo info{};
    info.videoType = c.type;
    info.videoSubType = c.subType != 0 ? c.subType : c.fourcc;
    EXPECT_EQ(GetQuickTimeVideoTypeFOURCC(&info), c.expected == 0 ? ZEB_FOURCC_NONE : c.expected)
        << c.name;
  }
  EXPECT_EQ(GetQuickTimeVideoTypeFOURCC(nullptr), ZEB_FOURCC_NONE);
  // A code that is not uncompressed leaves the caller's colour format alone.
  uint32_t colorFormat = 0xABCD;
  EXPECT_EQ(IsQuickTimeUnCompressVideoType(FourCC("zzzz"), &colorFormat), 0);
  EXPECT_EQ(colorFormat, 0xABCDu);
  EXPECT_EQ(IsQuickTimeUnCompressVideoType(FourCC("2vuy"), nullptr), 1);
}

// PCM of 24 and 32 bits names the codes of its byte order and width
// (CodecTraitsTest, on the codec table).
TEST(ProxyMap, AudioRecordsToCodes) {
  struct Case {
    uint32_t type, bits, subType, expected;
  };
  constexpr uint32_t kPcm = PLUG_AUDIO_TYPE_PCM_, kPcmLe = PLUG_AUDIO_TYPE_PCM_LE_;
  const Case cases[] = {
      {kPcm, 8, 0, FourCC("twos")},
      {kPcm, 16, 0, FourCC("twos")},
      {kPcm, 20, 0, 0},
      {kPcmLe, 16, 0, FourCC("sowt")},
      {kPcmLe, 0, 0, 0},
      {PLUG_AUDIO_TYPE_QUICKTIME_, 16, FourCC("Opus"), 0},
      {7, 16, FourCC("twos"), 0},
  };
  for (const Case& c : cases) {
    SPlugAudioStreamInfo info{};
    info.audioType = c.type;
    info.bitsPerSample = c.bits;
    info.audioSubType = c.subType;
    EXPECT_EQ(GetQuickTimeAudioFOURCC(&info), c.expected == 0 ? ZEB_FOURCC_NONE : c.expected)
        << c.type << "/" << c.bits;
  }
  EXPECT_EQ(GetQuickTimeAudioFOURCC(nullptr), ZEB_FOURCC_NONE);
}

}  // namespace
