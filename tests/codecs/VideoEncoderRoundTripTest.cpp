// Every coding the encoder has, through the ordinal table: a synthesised
// '2vuy' pattern is encoded, written with the muxer family using the image
// description attached to the frames, checked by ffprobe (codec, size, field
// order, aspect) and the ffmpeg tool (decodes without a message), then read
// and decoded back by our reader and decoder and compared with the input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "tests/codecs/VideoDecoderTestSupport.h"
#include "tests/codecs/VideoEncoderTestSupport.h"
#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/Shell.h"

namespace zeb::test {
namespace {

struct Case {
  const char* code;
  uint32_t width, height, rateNum, rateDen, gop;
  const char* codecName;  // ffprobe's
  const char* fieldOrder;
  const char* sampleAspect;
  double minimumPsnr;       // dB against the input picture
  uint32_t codedWidth = 0;  // DVCPRO HD's own, which ffprobe and the reader report; 0: width
};

// 16:9 pictures of 320 × 240 have pixels of 4:3; the DV sizes have the
// television spacings the movie gives them. DV is bottom field first: the
// movie's 'fiel' says 2 fields, detail 14 (interleaved, bottom first), which
// ffprobe names "bt". DNxHD and MPEG IMX descriptions carry no 'fiel' (as
// the writer builds them), so ffprobe knows no field order; DVCPRO HD is
// coded at its own width and compared with the input scaled to the width
// the reader reports. ProRes 'apco' and 'ap4h' are the threaded test's,
// byte for byte against the ffmpeg tool's coder.
const Case kCases[] = {
    {"avc1", 320, 240, 25, 1, 12, "h264", "progressive", "4:3", 45},
    {"avc1", 320, 240, 30000, 1001, 1, "h264", "progressive", "4:3", 45},
    {"apcs", 320, 240, 25, 1, 1, "prores", "progressive", "4:3", 50},
    {"apcn", 320, 240, 25, 1, 1, "prores", "progressive", "4:3", 55},
    {"apch", 320, 240, 25, 1, 1, "prores", "progressive", "4:3", 60},
    {"dvcp", 720, 576, 25, 1, 1, "dvvideo", "bt", "59:54", 45},
    {"dvpp", 720, 576, 25, 1, 1, "dvvideo", "bt", "59:54", 45},
    {"dv5p", 720, 576, 25, 1, 1, "dvvideo", "bt", "59:54", 45},
    {"dvc ", 720, 480, 30000, 1001, 1, "dvvideo", "bt", "10:11", 45},
    {"dv5n", 720, 480, 30000, 1001, 1, "dvvideo", "bt", "10:11", 45},
    {"xd5c", 1920, 1080, 25, 1, 12, "mpeg2video", "progressive", "1:1", 45},
    {"xdvc", 1440, 1080, 25, 1, 12, "mpeg2video", "progressive", "4:3", 45},
    {"dvh5", 1920, 1080, 25, 1, 1, "dvvideo", "progressive", "4:3", 45, 1440},
    {"dvh6", 1920, 1080, 30000, 1001, 1, "dvvideo", "progressive", "1:1", 45, 1280},
    {"dvhp", 1280, 720, 60000, 1001, 1, "dvvideo", "progressive", "1:1", 40, 960},
    {"AVdn", 1920, 1080, 25, 1, 1, "dnxhd", "unknown", "1:1", 55},
    {"AVdn", 1280, 720, 50, 1, 1, "dnxhd", "unknown", "1:1", 55},
    {"mx5p", 720, 608, 25, 1, 1, "mpeg2video", "unknown", "1:1", 50},
    {"mx3n", 720, 512, 30000, 1001, 1, "mpeg2video", "unknown", "1:1", 50},
    {"jpeg", 320, 240, 25, 1, 1, "mjpeg", "progressive", "4:3", 45},
    {"mp4v", 320, 240, 25, 1, 12, "mpeg4", "progressive", "4:3", 45},
};

constexpr uint32_t kFrames = 6;

// The pictures as the ffmpeg tool scales them to `scaledWidth`, for codings
// whose pictures are narrower than the ones given.
std::vector<std::vector<uint8_t>> ScaledPictures(const std::vector<std::vector<uint8_t>>& pictures,
                                                 uint32_t width, uint32_t height,
                                                 uint32_t scaledWidth, const std::string& name) {
  if (scaledWidth == 0 || scaledWidth == width) return pictures;
  const std::string in = EncoderScratchPath(name + "_in.raw");
  std::vector<uint8_t> all;
  for (const auto& picture : pictures) all.insert(all.end(), picture.begin(), picture.end());
  WriteFile(in, all);
  const auto scaled = ToolPictures("-f rawvideo -pix_fmt uyvy422 -s " + std::to_string(width) +
                                       "x" + std::to_string(height) + " -i " + Quote(in),
                                   "uyvy422", scaledWidth, height);
  std::filesystem::remove(in);
  return scaled;
}

std::string Name(const Case& c) {
  return TestName(c.code + ("_" + std::to_string(c.height)) + "_" + std::to_string(c.gop));
}

class VideoEncoderRoundTripTest : public ::testing::TestWithParam<Case> {
 protected:
  TestPlugin plugin_;
};

TEST_P(VideoEncoderRoundTripTest, WritesMoviesThatDecodeToTheInput) {
  const Case& c = GetParam();
  std::vector<std::vector<uint8_t>> pictures;
  for (uint32_t i = 0; i < kFrames; ++i) pictures.push_back(TestPattern(c.width, c.height, i));
  SPlugVideoStreamInfo stream =
      VideoRecord(Code(c.code), c.width, c.height, c.rateNum, c.rateDen, c.gop);
  const std::vector<EncodedFrame> frames = EncodeAll(plugin_, stream, pictures);
  ASSERT_EQ(frames.size(), kFrames);
  EXPECT_EQ(frames[0].info.frameType, 1u) << "the first frame is a key frame";
  for (uint32_t i = 0; i < kFrames; ++i) {
    const bool key = c.gop <= 1 || i % c.gop == 0;
    EXPECT_EQ(frames[i].info.frameType, key ? 1u : 2u) << "frame " << i;
    EXPECT_EQ(frames[i].info.presentationPosition, i);
    EXPECT_EQ(frames[i].info.decodePosition, i);
  }

  const std::string path = EncoderScratchPath("roundtrip_" + Name(c) + ".mov");
  // The record as the encoder left it: DV is bottom field first.
  SPlugVideoStreamInfo written = stream;
  HostVideoEncoder(plugin_).Query(&written);
  WriteEncodedMovie(plugin_, path, written, frames);

  const ProbeFields fields = ProbeStreamFields(path, "v:0");
  EXPECT_EQ(Field(fields, "codec_name"), c.codecName);
  EXPECT_EQ(Field(fields, "codec_tag_string"), c.code);
  const uint32_t codedWidth = c.codedWidth != 0 ? c.codedWidth : c.width;
  EXPECT_EQ(Field(fields, "width"), std::to_string(codedWidth));
  EXPECT_EQ(Field(fields, "height"), std::to_string(c.height));
  EXPECT_EQ(Field(fields, "field_order"), c.fieldOrder);
  EXPECT_EQ(Field(fields, "sample_aspect_ratio"), c.sampleAspect);
  EXPECT_EQ(Field(fields, "nb_frames"), std::to_string(kFrames));
  const CommandResult decode =
      RunCommand("ffmpeg -hide_banner -nostdin -v error -i " + Quote(path) + " -f null - 2>&1");
  EXPECT_EQ(decode.exitCode, 0);
  EXPECT_EQ(decode.output, "");

  ReadMovie movie = ReadWholeMovie(plugin_, path);
  const std::vector<DecodedPicture> decoded = DecodeAll(plugin_, movie, PLUG_COLOR_FORMAT_UYVY_);
  ASSERT_EQ(decoded.size(), kFrames);
  // The reader gives DVCPRO HD 1080 at its coded width, 720 at the full one.
  const auto decodedWidth = static_cast<uint32_t>(decoded[0].bytes.size() / (size_t{c.height} * 2));
  const auto references = ScaledPictures(pictures, c.width, c.height, decodedWidth, Name(c));
  ASSERT_EQ(references.size(), kFrames);
  for (uint32_t i = 0; i < kFrames; ++i) {
    const double psnr = Psnr(decoded[i].bytes, references[i]);
    EXPECT_GE(psnr, c.minimumPsnr) << "frame " << i;
    if (i == 0) RecordProperty("psnr_" + Name(c), std::to_string(psnr));
  }
}

INSTANTIATE_TEST_SUITE_P(Codings, VideoEncoderRoundTripTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return Name(info.param);
                         });

}  // namespace
}  // namespace zeb::test

namespace zeb::test {
namespace {

size_t TotalBytes(const std::vector<EncodedFrame>& frames) {
  size_t total = 0;
  for (const EncodedFrame& frame : frames) total += frame.bytes.size();
  return total;
}

// A data rate replaces the quality where the coding has rate control: asked
// for half the rate the best quality takes, one second of frames comes to
// about half the bytes.
TEST(VideoEncoderRates, DataRateIsHonoured) {
  TestPlugin plugin;
  for (const char* code : {"avc1", "mp4v", "xdvc"}) {
    SCOPED_TRACE(code);
    const uint32_t width = std::string(code) == "xdvc" ? 1440 : 320;
    std::vector<std::vector<uint8_t>> pictures;
    for (uint32_t i = 0; i < 25; ++i) pictures.push_back(TestPattern(width, 240, i));
    SPlugVideoStreamInfo best = VideoRecord(Code(code), width, 240, 25, 1, 12);
    const size_t bestBytes = TotalBytes(EncodeAll(plugin, best, pictures));
    SPlugVideoStreamInfo limited = best;
    const size_t target = bestBytes / 2;
    limited.bitRate = static_cast<uint32_t>(target * 8);
    const size_t limitedBytes = TotalBytes(EncodeAll(plugin, limited, pictures));
    EXPECT_LT(limitedBytes, target * 3 / 2) << "best " << bestBytes;
    EXPECT_GT(limitedBytes, target / 2) << "best " << bestBytes;
  }
}

// ProRes pictures are coded in bands of macroblock rows on several threads
// and joined; the frames must be the ffmpeg tool's (one coder, whole
// pictures) byte for byte, also where the last band is a part row.
TEST(VideoEncoderProResThreads, BandsJoinIntoTheToolsFramesByteForByte) {
  TestPlugin plugin;
  const struct {
    const char* code;
    int profile;
    const char* pixelFormat;
    uint32_t width, height;
  } cases[] = {{"apcn", 2, "yuv422p10le", 1920, 1080},
               {"ap4h", 4, "yuv444p10le", 1280, 720},
               {"apco", 0, "yuv422p10le", 720, 488}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    std::vector<std::vector<uint8_t>> pictures;
    std::vector<uint8_t> raw;
    for (uint32_t i = 0; i < 3; ++i) {
      pictures.push_back(TestPattern(c.width, c.height, i * 7));
      raw.insert(raw.end(), pictures.back().begin(), pictures.back().end());
    }
    const std::string rawPath = EncoderScratchPath(std::string("bands_") + c.code + ".uyvy");
    const std::string toolPath = rawPath + ".prores";
    WriteFile(rawPath, raw);
    const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
    const CommandResult tool =
        RunCommand("ffmpeg -v error -nostdin -y -f rawvideo -pix_fmt uyvy422 -s " + size +
                   " -r 25 -i " + Quote(rawPath) + " -c:v prores_ks -profile:v " +
                   std::to_string(c.profile) + " -vendor appl -pix_fmt " + c.pixelFormat +
                   " -sws_flags bicubic -f rawvideo " + Quote(toolPath) + " 2>&1");
    ASSERT_EQ(tool.exitCode, 0) << tool.output;
    const std::vector<uint8_t> toolFrames = ReadFile(toolPath);
    const std::vector<EncodedFrame> frames =
        EncodeAll(plugin, VideoRecord(Code(c.code), c.width, c.height, 25, 1, 1), pictures);
    ASSERT_EQ(frames.size(), pictures.size());
    size_t at = 0;
    for (const EncodedFrame& frame : frames) {
      ASSERT_LE(at + frame.bytes.size(), toolFrames.size());
      EXPECT_TRUE(std::equal(frame.bytes.begin(), frame.bytes.end(), toolFrames.begin() + at));
      at += frame.bytes.size();
    }
    EXPECT_EQ(at, toolFrames.size());
  }
}

}  // namespace
}  // namespace zeb::test
