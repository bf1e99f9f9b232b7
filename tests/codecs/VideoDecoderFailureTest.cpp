// What the decoder does with what it cannot use: streams and descriptions it
// cannot decode are refused at open with 0x80000302; garbage, truncated and
// tiny frames decode to nothing worse than a stale picture, and the next good
// frame decodes as it should; calls out of order or without records answer
// without touching memory.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/codecs/VideoDecoderTestSupport.h"
#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/Fixtures.h"

namespace zeb::test {
namespace {

constexpr uint32_t kRefused = 0x80000302u;
constexpr uint32_t kNullPointer = 0x80000004u;

using VideoDecoderFailureTest = PluginTest;

TEST_F(VideoDecoderFailureTest, OpenRefusesWhatItCannotDecode) {
  ReadMovie prores = ReadWholeMovie(plugin_, Fixture("prores.mov"));
  struct Case {
    const char* name;
    uint32_t videoType, subType;
    std::vector<uint8_t> description;  // empty: no triple
  };
  std::vector<uint8_t> unknownCode = prores.description;
  const uint32_t zzzz = Code("zzzz");
  std::memcpy(unknownCode.data() + 4, &zzzz, 4);  // the header is in the machine's order
  std::vector<uint8_t> noDecoder = prores.description;
  const uint32_t b16g = Code("b16g");
  std::memcpy(noDecoder.data() + 4, &b16g, 4);
  const Case cases[] = {
      {"code unknown to the framework", PLUG_VIDEO_TYPE_QUICKTIME_, zzzz, {}},
      {"code without a decompressor", PLUG_VIDEO_TYPE_QUICKTIME_, b16g, {}},
      {"description cut short", PLUG_VIDEO_TYPE_QUICKTIME_, Code("apcn"),
       std::vector<uint8_t>(prores.description.begin(), prores.description.begin() + 20)},
      {"description of an unknown code", PLUG_VIDEO_TYPE_QUICKTIME_, Code("apcn"), unknownCode},
      {"description without a decompressor", PLUG_VIDEO_TYPE_QUICKTIME_, Code("apcn"), noDecoder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostVideoDecoder decoder(plugin_);
    SPlugVideoStreamInfo video = prores.stream.video;
    video.videoType = c.videoType;
    video.videoSubType = c.subType;
    std::vector<uint8_t> bytes = c.description;
    const SPlugPrivateDesc description{PLUG_PRIVATE_QT_IMAGE_DESCRIPTION, bytes.data(),
                                       static_cast<uint32_t>(bytes.size())};
    EXPECT_EQ(decoder.Open(&video, bytes.empty() ? nullptr : &description), kRefused);
    // A refused decoder still takes frames and answers "no picture".
    SPlugFrameInfo info = prores.frames[0].info;
    EXPECT_EQ(decoder.Decode(prores.frames[0].bytes.data(), &info), 0u);
    SPlugFrameInfo out;
    EXPECT_TRUE(decoder.FetchCopy(out).empty());
  }
  HostVideoDecoder decoder(plugin_);
  EXPECT_EQ(decoder.Open(nullptr, nullptr), kNullPointer);
}

std::vector<uint8_t> Garbage(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// Every frame leaves at once (display number below decode number), so each
// fetch shows what the frame before it did to the picture.
TEST_F(VideoDecoderFailureTest, BadFramesDecodeToNothingWorseThanAStalePicture) {
  const char* const fixtures[] = {"avc1_bframes.mov", "prores.mov", "dvvideo.mov",     "dnxhd.mov",
                                  "mpeg2_xd5c.mov",   "mjpeg.mov",  "mp4v_bframes.mov"};
  for (const char* fixture : fixtures) {
    SCOPED_TRACE(fixture);
    ReadMovie movie = ReadWholeMovie(plugin_, Fixture(fixture));
    const std::vector<uint8_t> first = DecodeAll(plugin_, movie, PLUG_COLOR_FORMAT_UYVY_)[0].bytes;
    const std::vector<uint8_t>& frame = movie.frames[0].bytes;
    const std::vector<std::vector<uint8_t>> bad = {
        Garbage(frame.size(), 1),
        std::vector<uint8_t>(frame.begin(), frame.begin() + frame.size() / 2),
        std::vector<uint8_t>(frame.begin(), frame.begin() + 1),
        Garbage(64, 2),
        std::vector<uint8_t>(frame.size(), 0),
    };
    HostVideoDecoder decoder(plugin_);
    ASSERT_EQ(decoder.OpenOn(movie), 0u);
    for (size_t i = 0; i <= bad.size(); ++i) {
      SCOPED_TRACE(i);
      const std::vector<uint8_t>& bytes = i < bad.size() ? bad[i] : frame;
      SPlugFrameInfo info = movie.frames[0].info;
      info.dataSize = static_cast<uint32_t>(bytes.size());
      info.decodePosition = i + 1;
      info.presentationPosition = 0;
      ASSERT_EQ(decoder.Decode(bytes.data(), &info), 0u);
      SPlugFrameInfo out;
      const std::vector<uint8_t> picture = decoder.FetchCopy(out);
      EXPECT_EQ(picture.size(), first.size());
      if (i == bad.size()) {
        EXPECT_TRUE(picture == first);
      }
    }
  }
}

TEST_F(VideoDecoderFailureTest, CallsOutOfOrderOrWithoutRecordsTouchNoMemory) {
  ReadMovie movie = ReadWholeMovie(plugin_, Fixture("prores.mov"));
  HostVideoDecoder decoder(plugin_);
  SPlugFrameInfo info = movie.frames[0].info, out;
  // Not opened yet: nothing to decode with, nothing to hand out.
  EXPECT_EQ(decoder.Decode(movie.frames[0].bytes.data(), &info), 0u);
  EXPECT_TRUE(decoder.FetchCopy(out).empty());
  EXPECT_EQ(out.frameType, uint32_t{PLUG_FRAME_COMPRESS_TYPE_NONE_});
  EXPECT_EQ(decoder.Decode(movie.frames[0].bytes.data(), nullptr), kNullPointer);
  SPlugVideoFrame picture{};
  EXPECT_EQ(decoder.Fetch(nullptr, &out), kNullPointer);
  EXPECT_EQ(decoder.Fetch(&picture, nullptr), kNullPointer);
  EXPECT_EQ(decoder.OutputFormat(nullptr, nullptr), kNullPointer);

  // A picture waiting in a slot does not outlive a reopen.
  ASSERT_EQ(decoder.OpenOn(movie), 0u);
  info = movie.frames[0].info;
  ASSERT_EQ(decoder.Decode(movie.frames[0].bytes.data(), &info), 0u);
  ASSERT_EQ(decoder.Decode(movie.frames[1].bytes.data(), &(info = movie.frames[1].info)), 0u);
  ASSERT_EQ(decoder.OpenOn(movie), 0u);
  SPlugFrameInfo end = NewFrameInfo();
  end.streamState = PLUG_STREAMSTATE_END_;
  ASSERT_EQ(decoder.Decode(nullptr, &end), 0u);
  EXPECT_TRUE(decoder.FetchCopy(out).empty());
}

}  // namespace
}  // namespace zeb::test
