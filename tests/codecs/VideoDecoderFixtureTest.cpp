// Real movies made with the ffmpeg tool, read with the reader family and
// decoded through the video decoder's ordinals: the pictures leave in display
// order, one for every frame, and equal byte for byte the ffmpeg tool's
// decode of the same movie converted to the same pixel format and size.
// Each open logs its output mode once.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/codecs/VideoDecoderTestSupport.h"
#include "tests/host/LogCapture.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Shell.h"

namespace zeb::test {
namespace {

struct FixtureCase {
  const char* fixture;
  uint32_t colorFormat;  // asked of the decoder: 14 '2vuy' or 1 'ARGB'
};

constexpr FixtureCase kCases[] = {
    {"avc1_bframes.mov", PLUG_COLOR_FORMAT_UYVY_}, {"avc1_long.mov", PLUG_COLOR_FORMAT_UYVY_},
    {"prores.mov", PLUG_COLOR_FORMAT_UYVY_},       {"prores_4444.mov", PLUG_COLOR_FORMAT_UYVY_},
    {"dvvideo.mov", PLUG_COLOR_FORMAT_UYVY_},      {"dv_ntsc.mov", PLUG_COLOR_FORMAT_UYVY_},
    {"dv_hd_720.mov", PLUG_COLOR_FORMAT_UYVY_},  // 960 coded, 1280 shown
    {"dv_hd_1080.mov", PLUG_COLOR_FORMAT_UYVY_},   {"dnxhd.mov", PLUG_COLOR_FORMAT_UYVY_},
    {"mpeg2_xd5c.mov", PLUG_COLOR_FORMAT_UYVY_},   {"mpeg2_mx5p.mov", PLUG_COLOR_FORMAT_UYVY_},
    {"mjpeg.mov", PLUG_COLOR_FORMAT_UYVY_},        {"mp4v_bframes.mov", PLUG_COLOR_FORMAT_UYVY_},
    {"prores.mov", PLUG_COLOR_FORMAT_ARGB32_},     {"avc1_bframes.mov", PLUG_COLOR_FORMAT_ARGB32_},
    {"avc1_pyramid.mov", PLUG_COLOR_FORMAT_UYVY_},  // reordered two deep
};

using VideoDecoderFixtureTest = PluginTest;

TEST_F(VideoDecoderFixtureTest, PicturesEqualTheToolsDecodeInDisplayOrder) {
  for (const FixtureCase& c : kCases) {
    SCOPED_TRACE(std::string(c.fixture) +
                 (c.colorFormat == PLUG_COLOR_FORMAT_ARGB32_ ? " argb" : ""));
    const std::string path = Fixture(c.fixture);
    ASSERT_FALSE(path.empty());
    ReadMovie movie = ReadWholeMovie(plugin_, path);
    ASSERT_FALSE(movie.frames.empty());
    const bool argb = c.colorFormat == PLUG_COLOR_FORMAT_ARGB32_;
    LogCapture log;
    const std::vector<DecodedPicture> pictures = DecodeAll(plugin_, movie, c.colorFormat);
    // The output mode is logged once per open, at level 8.
    const LogLine mode{"ZEBQTLib", 8,
                       argb ? "CQTSuppotVideoDec::ARGB mode" : "CQTSuppotVideoDec::UYVY mode"};
    const std::vector<LogLine> lines = log.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), mode), 1);
    const size_t frameBytes =
        size_t{movie.stream.video.width} * movie.stream.video.height * (argb ? 4 : 2);
    const auto reference =
        ToolPictures("-i " + Quote(path) + " -map 0:v:0", argb ? "argb" : "uyvy422",
                     movie.stream.video.width, movie.stream.video.height);
    ASSERT_EQ(pictures.size(), movie.frames.size());
    ASSERT_EQ(reference.size(), pictures.size());
    for (size_t i = 0; i < pictures.size(); ++i) {
      SCOPED_TRACE(i);
      const DecodedPicture& picture = pictures[i];
      EXPECT_EQ(picture.info.frameType, uint32_t{PLUG_FRAME_COMPRESS_TYPE_DECODED_});
      EXPECT_EQ(picture.info.streamType, 1u);
      if (i > 0) {
        EXPECT_EQ(picture.info.presentationPosition, pictures[i - 1].info.presentationPosition + 1);
      }
      ASSERT_EQ(picture.bytes.size(), frameBytes);
      EXPECT_TRUE(picture.bytes == reference[i]) << "PSNR " << Psnr(picture.bytes, reference[i]);
    }
  }
}

}  // namespace
}  // namespace zeb::test
