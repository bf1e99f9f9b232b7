// The "QuickTime VideoSet" dialog (ordinal 701) driven as a person drives
// it, under an X display (the test script starts Xvfb for these tests):
// keys typed by xdotool into the real windows, then the returned block and
// the updated record checked, and the block opened by the video encoder.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/codecs/SettingDialogRun.h"
#include "tests/codecs/VideoEncoderTestSupport.h"
#include "tests/host/TestPlugin.h"

namespace {

constexpr uint32_t kAvc1 = 0x61766331;
constexpr uint32_t kMp4v = 0x6D703476;

// The first focus lies on OK; Tab walks OK, Cancel, Advanced Setting, width, height.
constexpr char kToWidth[] = "focus 'QuickTime VideoSet'\nkeys Tab Tab Tab\n";

class VideoSettingDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!zeb::test::HasDisplay()) GTEST_SKIP() << "no X display";
  }

  // Runs ordinal 701 on `record` while `script` plays the user.
  zeb::test::DialogOutcome<SPlugVideoStreamInfo> Run(SPlugVideoStreamInfo record,
                                                     const std::string& script) {
    return zeb::test::RunSettingDialog(plugin_, ZEB_ORD_GetVideoCodecCustomSetting, record, script);
  }

  TestPlugin plugin_;
};

SPlugVideoStreamInfo Stream(uint32_t rateNum, uint32_t rateDen) {
  SPlugVideoStreamInfo stream = VideoRecord(kAvc1, 320, 240, rateNum, rateDen, 15);
  stream.bitRate = 4000000;
  stream.colorFormat = 14;
  stream.videoRange = 0;
  stream.gopReserved = 9;
  return stream;
}

TEST_F(VideoSettingDialog, ButtonsAndEditBoxes) {
  const struct {
    const char* name;
    std::string script;
    uint32_t rateNum, rateDen;
    uint32_t result, width, height, fieldOrder;
  } cases[] = {
      {"typed size, Return",
       std::string(kToWidth) + "keys ctrl+a\ntyped 640\nkeys Tab ctrl+a\n"
                               "typed 360\nkeys Return\n",
       30000, 1001, 0, 640, 360, 1},
      {"OK button", "focus 'QuickTime VideoSet'\nkeys space\n", 25, 1, 0, 320, 240, 0},
      {"fifty frames", "focus 'QuickTime VideoSet'\nkeys Return\n", 50, 1, 0, 320, 240, 1},
      // letters never reach the digits-only width box, which is left empty;
      // "12x" is no number: both keep their old values
      {"invalid size",
       std::string(kToWidth) + "keys ctrl+a\ntyped abc\nkeys Tab ctrl+a\n"
                               "typed 12x\nkeys Return\n",
       25, 1, 0, 320, 240, 0},
      {"Escape", std::string(kToWidth) + "typed 999\nkeys Escape\n", 25, 1, 1, 320, 240, 0},
      {"Cancel button", "focus 'QuickTime VideoSet'\nkeys Tab space\n", 25, 1, 1, 320, 240, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const SPlugVideoStreamInfo before = Stream(c.rateNum, c.rateDen);
    const auto outcome = Run(before, c.script);
    ASSERT_EQ(outcome.result, c.result);
    const SPlugVideoStreamInfo& after = outcome.record;
    if (c.result != 0) {
      EXPECT_TRUE(outcome.block.empty());
      EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0);
      continue;
    }
    EXPECT_EQ(outcome.kind, uint32_t{PLUG_PRIVATE_VIDEO_SETTINGS});
    // Without "Advanced Setting": no state, best qualities, depth 32.
    ASSERT_EQ(outcome.block.size(), 20u);
    EXPECT_EQ(std::vector<uint32_t>({NativeWord(outcome.block, 0), NativeWord(outcome.block, 4, 2),
                                     NativeWord(outcome.block, 8), NativeWord(outcome.block, 12),
                                     NativeWord(outcome.block, 16)}),
              std::vector<uint32_t>({20, 32, 1023, 1023, 0}));
    // The size and field order as given, the picture words as the dialog sets them.
    SPlugVideoStreamInfo expected = before;
    expected.width = c.width;
    expected.height = c.height;
    expected.fieldOrder = c.fieldOrder;
    expected.gopReserved = 0;
    expected.colorFormat = expected.reserved18 = expected.videoRange = 1;
    EXPECT_EQ(std::memcmp(&after, &expected, sizeof after), 0);
  }
}

// "Advanced Setting" for every setting of the standard dialog: the codec
// (first entry avc1, last mp4v), a quality step, the key-frame rate and the
// data rate typed, the depth (16, 24, 32 bits); then the block, with the
// compressor's state, opens the encoder, whose frames show the key frames and
// the data rate, and the quality in their size.
TEST_F(VideoSettingDialog, AdvancedSettingsReachTheMovie) {
  const struct {
    const char* name;
    const char* codecKey;             // in the codec list
    const char* sliderKey;            // on the quality slider, from Medium
    uint32_t keyFrameRate, dataRate;  // as typed: frames, bytes per second
    const char* depthKey;             // in the depth list, from 32 (its last entry)
    uint16_t depth;
    uint32_t codec, spatialQuality;
  } cases[] = {
      {"mp4v Low", "End", "Left", 12, 0, "Home", 16, kMp4v, 256},
      {"mp4v Best", "End", "End", 12, 0, "", 32, kMp4v, 1023},
      {"avc1 at 40000 bytes/s", "Home", "", 10, 40000, "Up", 24, kAvc1, 512},
  };
  constexpr uint32_t kFrames = 36;
  std::vector<std::vector<uint8_t>> pictures;
  for (uint32_t i = 0; i < kFrames; ++i) pictures.push_back(zeb::test::TestPattern(320, 240, i));
  std::vector<uint64_t> movieBytes;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string script = std::string(
                                   "focus 'QuickTime VideoSet'\nkeys Tab Tab space\n"
                                   "focus 'Compression Settings'\nkeys ") +
                               c.codecKey + " Tab " + c.sliderKey + " Tab Tab ctrl+a\ntyped " +
                               std::to_string(c.keyFrameRate) + "\nkeys Tab ctrl+a\ntyped " +
                               std::to_string(c.dataRate) + "\nkeys Tab " + c.depthKey +
                               " Tab space\ngone 'Compression Settings'\n"
                               "focus 'QuickTime VideoSet'\nkeys Tab Return\n";
    auto outcome = Run(Stream(30000, 1001), script);
    ASSERT_EQ(outcome.result, 0u);
    ASSERT_GT(outcome.block.size(), 20u);
    const uint32_t stateSize = NativeWord(outcome.block, 16);
    EXPECT_EQ(NativeWord(outcome.block, 0), 20u + stateSize);
    EXPECT_EQ(outcome.block.size(), 20u + stateSize);
    EXPECT_EQ(NativeWord(outcome.block, 4, 2), c.depth);
    EXPECT_EQ(NativeWord(outcome.block, 8), c.spatialQuality);
    EXPECT_EQ(NativeWord(outcome.block, 12), 768u);  // the dialog's starting temporal quality
    const SPlugVideoStreamInfo& after = outcome.record;
    EXPECT_EQ(after.videoSubType, c.codec);
    EXPECT_EQ(after.gopSize, c.keyFrameRate);
    EXPECT_EQ(after.frameRateNum, 30000u);
    EXPECT_EQ(after.frameRateDen, 1001u);
    EXPECT_EQ(after.bitRate, c.dataRate * 8);
    EXPECT_EQ(after.width, 320u);

    const SPlugPrivateDesc settings{PLUG_PRIVATE_VIDEO_SETTINGS, outcome.block.data(),
                                    static_cast<uint32_t>(outcome.block.size())};
    const std::vector<zeb::test::EncodedFrame> frames =
        zeb::test::EncodeAll(plugin_, after, pictures, &settings);
    ASSERT_EQ(frames.size(), kFrames);
    uint64_t bytes = 0;
    for (uint32_t i = 0; i < kFrames; ++i) {
      EXPECT_EQ(frames[i].info.frameType == 1, i % c.keyFrameRate == 0) << "frame " << i;
      bytes += frames[i].bytes.size();
    }
    const double bitRate = bytes * 8.0 * 30000 / (1001.0 * kFrames);
    if (c.dataRate != 0) {
      EXPECT_NEAR(bitRate, c.dataRate * 8.0, c.dataRate * 8.0 * 0.3);
    }
    movieBytes.push_back(bytes);
  }
  // A finer quality codes the same pictures in more bytes.
  EXPECT_GT(movieBytes[1], movieBytes[0] * 13 / 10);
}

// Cancelling the standard dialog shows the error box; the settings stay, and
// Escape then cancels the whole dialog.
TEST_F(VideoSettingDialog, CancelledAdvancedSettingShowsTheErrorBox) {
  const std::string script =
      "focus 'QuickTime VideoSet'\nkeys Tab Tab space\n"
      "focus 'Compression Settings'\nkeys Escape\n"
      "focus 'Error'\nkeys Return\ngone 'Error'\n"
      "focus 'QuickTime VideoSet'\nkeys Escape\n";
  const SPlugVideoStreamInfo before = Stream(25, 1);
  const auto outcome = Run(before, script);
  EXPECT_EQ(outcome.result, 1u);
  EXPECT_TRUE(outcome.block.empty());
  EXPECT_EQ(std::memcmp(&outcome.record, &before, sizeof before), 0);
}

}  // namespace
