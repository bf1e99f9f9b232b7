// The codec-traits table against the lists that the framework's format
// mapping and the movie layer keep for themselves: on every code they share,
// they must answer alike.
#include <gtest/gtest.h>

#include "framework/proxy/include/ZEBProxyCodec.h"
#include "media/CodecTraits.h"
#include "media/FourCC.h"
#include "platform/movie/CompressionInfo.h"

namespace {

using namespace zeb::media;

// Codes the framework carries as QuickTime type 13 are the ones it knows.
bool FrameworkKnowsVideo(uint32_t code) {
  SPlugVideoStreamInfo record{};
  record.videoType = PLUG_VIDEO_TYPE_QUICKTIME_;
  record.videoSubType = code;
  return GetQuickTimeVideoTypeFOURCC(&record) != ZEB_FOURCC_NONE;
}

uint32_t FrameworkAudioCode(uint32_t audioType, uint32_t bits, uint32_t subType = 0) {
  SPlugAudioStreamInfo record{};
  record.audioType = audioType;
  record.bitsPerSample = bits;
  record.audioSubType = subType;
  return GetQuickTimeAudioFOURCC(&record);
}

TEST(CodecTraits, FrameworkMappingAgreesOnEveryVideoCode) {
  for (const CodecTraits& codec : CodecTable()) {
    if (codec.family != CodecFamily::kVideo) continue;
    SCOPED_TRACE(zeb::movie::FourCCToString(codec.code));
    uint32_t colorFormat = PLUG_COLOR_FORMAT_NONE_;
    EXPECT_EQ(IsQuickTimeUnCompressVideoType(codec.code, &colorFormat) != 0, codec.uncompressed);
    EXPECT_EQ(colorFormat,
              codec.uncompressed ? codec.colorFormat : uint32_t{PLUG_COLOR_FORMAT_NONE_});
    if (!FrameworkKnowsVideo(codec.code)) continue;
    SPlugVideoStreamInfo record{};
    record.videoType = codec.videoType;
    record.videoSubType = codec.code;
    EXPECT_EQ(GetQuickTimeVideoTypeFOURCC(&record), codec.code);
    EXPECT_EQ(GetVideoSubType(PLUG_VIDEO_TYPE_MPEG2_, codec.code) == codec.code,
              codec.parser == StreamParser::kMpeg);
  }
}

TEST(CodecTraits, FrameworkAndMovieLayerAgreeOnEveryAudioCode) {
  for (const CodecTraits& codec : CodecTable()) {
    if (codec.family != CodecFamily::kAudio) continue;
    SCOPED_TRACE(zeb::movie::FourCCToString(codec.code));
    const bool pcm = codec.pcm != PcmCoding::kNotPcm;
    if (FrameworkAudioCode(PLUG_AUDIO_TYPE_QUICKTIME_, 16, codec.code) != ZEB_FOURCC_NONE) {
      EXPECT_EQ(IsQuickTimeUnCompressAudio(codec.code) != 0, pcm);
    }
    zeb::movie::CompressionInfo info;
    if (!zeb::movie::GetCompressionInfo(0, codec.code, 2, 16, info).IsOk()) continue;
    EXPECT_EQ(zeb::movie::IsPcmFormat(codec.code), pcm);
    if (pcm && codec.pcmBytes != 0) {
      EXPECT_EQ(info.bytesPerSample, codec.pcmBytes);
    }
  }
  // The host's PCM types name codes of their byte order and width.
  for (const auto& [type, coding] :
       {std::pair{PLUG_AUDIO_TYPE_PCM_, PcmCoding::kBigEndian},
        std::pair{PLUG_AUDIO_TYPE_PCM_LE_, PcmCoding::kLittleEndian}}) {
    for (const uint32_t bits : {16u, 24u, 32u}) {
      const uint32_t code = FrameworkAudioCode(type, bits);
      SCOPED_TRACE(zeb::movie::FourCCToString(code));
      const CodecTraits* codec = FindAudioCodec(code);
      ASSERT_NE(codec, nullptr);
      EXPECT_EQ(codec->pcm, coding);
      EXPECT_TRUE(codec->pcmBytes == 0 || codec->pcmBytes * 8u == bits);
    }
  }
}

}  // namespace
