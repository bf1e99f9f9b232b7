// The encoder's refusals and edges through the ordinal table: streams it
// cannot code are refused at open with 0x80000501 and then encode nothing
// (0x80000309); a picture the compressor refuses is logged; settings blocks
// set the qualities and are read only as far as they reach; pending frames
// are handed out once; records and formats are as the host reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/codecs/VideoEncoderTestSupport.h"
#include "tests/host/LogCapture.h"
#include "tests/reader/ReaderTestSupport.h"

namespace zeb::test {
namespace {

constexpr uint32_t kOpenRefused = 0x80000501u;
constexpr uint32_t kCompressFailed = 0x80000309u;
constexpr uint32_t kNullPointer = 0x80000004u;
constexpr uint32_t kNoFrame = 100;

class VideoEncoderFailureTest : public ::testing::Test {
 protected:
  // The size of the one frame `encoder` makes of a test pattern.
  uint32_t EncodedSize(HostVideoEncoder& encoder, uint32_t width, uint32_t height) {
    std::vector<uint8_t> picture = TestPattern(width, height, 0);
    EXPECT_EQ(encoder.Encode(picture, 0), 0u);
    uint8_t* data = nullptr;
    SPlugFrameInfo info;
    EXPECT_EQ(encoder.Fetch(&data, &info), 0u);
    return data == nullptr ? 0 : info.dataSize;
  }

  TestPlugin plugin_;
};

TEST_F(VideoEncoderFailureTest, OpenRefusesWhatItCannotCodeAndThenEncodesNothing) {
  struct Case {
    const char* name;
    SPlugVideoStreamInfo stream;
    // The coder's own refusal, as libav says it through our log at level 1.
    const char* libavLine = nullptr;
  };
  const Case cases[] = {
      {"code without a compressor", VideoRecord(Code("b16g"), 320, 240, 25, 1, 1)},
      {"code unknown to the table", VideoRecord(Code("zzzz"), 320, 240, 25, 1, 1)},
      {"DV PAL at a size DV does not have", VideoRecord(Code("dvcp"), 640, 480, 25, 1, 1),
       "libav dvvideo: Found no DV profile for 640x480"},
      {"DNxHD at a size it does not have", VideoRecord(Code("AVdn"), 320, 240, 25, 1, 1)},
      {"MPEG IMX at the NTSC rate", VideoRecord(Code("mx5p"), 720, 608, 30000, 1001, 1)},
      {"DV NTSC at the PAL rate", VideoRecord(Code("dvc "), 720, 480, 25, 1, 1)},
      {"no picture", VideoRecord(Code("apcn"), 0, 0, 25, 1, 1)},
      {"rows longer than a pixel map holds", VideoRecord(Code("apcn"), 9000, 16, 25, 1, 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    HostVideoEncoder encoder(plugin_);
    SPlugVideoStreamInfo stream = c.stream;
    EXPECT_EQ(encoder.Open(&stream, nullptr), kOpenRefused);
    if (c.libavLine != nullptr) {
      const auto lines = log.Lines();
      EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                              [&](const LogLine& line) {
                                return line.level == 1 && line.source == "ZEBQTLib" &&
                                       line.text.starts_with(c.libavLine);
                              }))
          << "no line " << c.libavLine;
    }
    std::vector<uint8_t> picture(size_t{c.stream.width} * c.stream.height * 2 + 2);
    EXPECT_EQ(encoder.Encode(picture, 0), kCompressFailed);
    uint8_t* data = nullptr;
    SPlugFrameInfo info;
    EXPECT_EQ(encoder.Fetch(&data, &info), 0u);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(info.frameType, kNoFrame);
    EXPECT_EQ(info.dataSize, 0u);
  }
}

TEST_F(VideoEncoderFailureTest, RefusedPictureIsLoggedAndNothingPends) {
  HostVideoEncoder encoder(plugin_);
  SPlugVideoStreamInfo stream = VideoRecord(Code("apcn"), 64, 64, 25, 1, 1);
  ASSERT_EQ(encoder.Open(&stream, nullptr), 0u);
  std::vector<uint8_t> good = TestPattern(64, 64, 0);
  ASSERT_EQ(encoder.Encode(good, 0), 0u);
  LogCapture log;
  std::vector<uint8_t> none;  // plane 0 null: the compressor refuses it
  EXPECT_EQ(encoder.Encode(none, 1), kCompressFailed);
  EXPECT_TRUE(log.Contains("CQTVideoEncoder--QT Api--CompressSequenceFrame() return -50"))
      << ::testing::PrintToString(log.Texts());
  uint8_t* data = nullptr;
  SPlugFrameInfo info;
  EXPECT_EQ(encoder.Fetch(&data, &info), 0u);
  EXPECT_NE(data, nullptr) << "the earlier frame is still pending";
  EXPECT_EQ(encoder.Fetch(&data, &info), 0u);
  EXPECT_EQ(info.frameType, kNoFrame);
}

// A frame is handed out once, with its positions; an uncompressed code hands
// back the host's own picture.
TEST_F(VideoEncoderFailureTest, FrameIsFetchedOnce) {
  for (const std::string code : {"jpeg", "2vuy"}) {
    SCOPED_TRACE(code);
    HostVideoEncoder encoder(plugin_);
    SPlugVideoStreamInfo stream = VideoRecord(Code(code), 64, 64, 25, 1, 1);
    ASSERT_EQ(encoder.Open(&stream, nullptr), 0u);
    EXPECT_EQ(stream.colorFormat, uint32_t{PLUG_COLOR_FORMAT_UYVY_});
    std::vector<uint8_t> picture = TestPattern(64, 64, 0);
    ASSERT_EQ(encoder.Encode(picture, 7), 0u);
    uint8_t* data = nullptr;
    SPlugFrameInfo info;
    ASSERT_EQ(encoder.Fetch(&data, &info), 0u);
    ASSERT_NE(data, nullptr);
    // Coded frames say they are video; a passed-through one carries the host's record.
    EXPECT_EQ(data == picture.data(), code == "2vuy");
    EXPECT_EQ(info.streamType, code == "2vuy" ? 0u : 1u);
    EXPECT_EQ(info.frameType, 1u);
    EXPECT_EQ(info.presentationPosition, 7u);
    EXPECT_EQ(info.decodePosition, 7u);
    data = nullptr;
    ASSERT_EQ(encoder.Fetch(&data, &info), 0u);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(info.frameType, kNoFrame);
    EXPECT_EQ(info.dataSize, 0u);
  }
}

// A kind-6 block with the qualities at offsets 8 and 12 and the state size
// at 16, little-endian, and `extra` bytes after the header.
std::vector<uint8_t> SettingsBlock(uint32_t spatial, uint32_t stateSize, size_t extra) {
  std::vector<uint8_t> block(20 + extra, 0xA5);
  const uint32_t words[] = {static_cast<uint32_t>(block.size()), 16, spatial, spatial, stateSize};
  std::memcpy(block.data(), words, sizeof words);
  return block;
}

TEST_F(VideoEncoderFailureTest, SettingsBlockSetsTheQualities) {
  SPlugVideoStreamInfo stream = VideoRecord(Code("jpeg"), 320, 240, 25, 1, 1);
  HostVideoEncoder best(plugin_);
  ASSERT_EQ(best.Open(&stream, nullptr), 0u);
  const uint32_t bestSize = EncodedSize(best, 320, 240);
  struct Case {
    const char* name;
    uint32_t kind;
    std::vector<uint8_t> block;
    bool lowQuality;
  };
  const Case cases[] = {
      {"qualities only", PLUG_PRIVATE_VIDEO_SETTINGS, SettingsBlock(0, 0, 0), true},
      {"state the compressor does not know", PLUG_PRIVATE_VIDEO_SETTINGS, SettingsBlock(0, 8, 8),
       true},
      {"state size past the block", PLUG_PRIVATE_VIDEO_SETTINGS, SettingsBlock(0, 0x7FFFFFFF, 4),
       true},
      {"block of another kind", PLUG_PRIVATE_QT_IMAGE_DESCRIPTION, SettingsBlock(0, 0, 0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> block = c.block;
    const SPlugPrivateDesc triple{c.kind, block.data(), static_cast<uint32_t>(block.size())};
    HostVideoEncoder encoder(plugin_);
    SPlugVideoStreamInfo copy = stream;
    ASSERT_EQ(encoder.Open(&copy, &triple), 0u);
    const uint32_t size = EncodedSize(encoder, 320, 240);
    if (c.lowQuality) {
      EXPECT_LT(size * 4, bestSize * 3);  // the marker segments weigh the same in both
    } else {
      EXPECT_EQ(size, bestSize);
    }
  }
}

TEST_F(VideoEncoderFailureTest, QueryAndInputFormatDescribeThePictures) {
  HostVideoEncoder encoder(plugin_);
  SPlugVideoStreamInfo dv = VideoRecord(Code("dvcp"), 720, 576, 25, 1, 1);
  dv.colorFormat = PLUG_COLOR_FORMAT_ARGB32_;
  ASSERT_EQ(encoder.Query(&dv), 0u);
  EXPECT_EQ(dv.colorFormat, uint32_t{PLUG_COLOR_FORMAT_UYVY_});
  EXPECT_EQ(dv.fieldOrder, uint32_t{PLUG_FIELD_ORDER_BOTTOM_FIRST_});
  ASSERT_EQ(encoder.Open(&dv, nullptr), 0u);
  SPlugVideoFrameFormat format;
  ASSERT_EQ(encoder.InputFormat(&format), 0u);
  EXPECT_EQ(format.colorFormat, uint32_t{PLUG_COLOR_FORMAT_UYVY_});
  EXPECT_EQ(format.width, 720u);
  EXPECT_EQ(format.height, 576u);
  EXPECT_EQ(format.rowBytes[0], 1440u);
  EXPECT_EQ(format.fieldOrder, PLUG_FIELD_ORDER_BOTTOM_FIRST_);
  EXPECT_EQ(format.flag3, 1u);
}

TEST_F(VideoEncoderFailureTest, UnopenedOrWithoutRecordsIsRefused) {
  HostVideoEncoder encoder(plugin_);
  std::vector<uint8_t> picture = TestPattern(64, 64, 0);
  EXPECT_EQ(encoder.Encode(picture, 0), kCompressFailed);
  EXPECT_EQ(encoder.Open(nullptr, nullptr), kNullPointer);
  EXPECT_EQ(encoder.Query(nullptr), kNullPointer);
  EXPECT_EQ(encoder.InputFormat(nullptr), kNullPointer);
  EXPECT_EQ(encoder.Fetch(nullptr, nullptr), kNullPointer);
}

}  // namespace
}  // namespace zeb::test
