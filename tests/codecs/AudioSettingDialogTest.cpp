// The sound settings dialog (ordinal 702) driven as a person drives it, under
// an X display (the test script starts Xvfb for these tests): keys typed by
// xdotool into the real window, then the returned block and the updated
// record checked byte for byte (the audio settings test opens the encoder
// with such blocks and reads the movie back with ffprobe).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/codecs/AudioEncoderTestSupport.h"
#include "tests/codecs/SettingDialogRun.h"
#include "tests/support/AtomWalk.h"

namespace zeb::test {
namespace {

// The format list holds None, 24- and 32-bit integer, 32- and 64-bit float,
// A-law, µ-law, IMA, AAC, Apple Lossless, MP3, AC-3; the rate list 8000 to
// 48000 Hz; the first focus lies on the format list, Tab walks format, rate,
// size, channels, bit rate, OK, Cancel.
constexpr char kFocus[] = "focus 'Sound Settings'\n";

class AudioSettingDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasDisplay()) GTEST_SKIP() << "no X display";
  }

  TestPlugin plugin_;
};

TEST_F(AudioSettingDialog, ChoicesCancelsAndTheBlock) {
  const struct {
    const char* name;
    std::string script;
    uint32_t result, format, channels, bits, rate, blockBitRate;  // blockBitRate 0: no block
  } cases[] = {
      {"AAC, 32000 Hz mono, 96 kbit/s",
       std::string(kFocus) + "keys Home Down Down Down Down Down Down Down Down Tab Up Tab Tab Up "
                             "Tab ctrl+a\ntyped 96\nkeys Return\n",
       0, Code("mp4a"), 1, 16, 32000, 96000},
      {"AAC unchanged keeps the stereo default",
       std::string(kFocus) + "keys Tab Tab Tab Tab Tab space\n", 0, Code("mp4a"), 2, 16, 44100,
       128000},
      {"None at 8 bits", std::string(kFocus) + "keys Home Tab Tab Home Tab Tab Tab space\n", 0,
       Code("NONE"), 2, 8, 44100, 0},
      {"IMA, 22050 Hz",
       std::string(kFocus) + "keys Home Down Down Down Down Down Down Down "
                             "Tab Up Up Tab Tab Tab Tab space\n",
       0, Code("ima4"), 2, 16, 22050, 0},
      {"Escape", std::string(kFocus) + "keys Down Escape\n", 1, 0, 0, 0, 0, 0},
      {"Cancel button", std::string(kFocus) + "keys Tab Tab Tab Tab Tab Tab space\n", 1, 0, 0, 0, 0,
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const bool startsAac = std::string(c.name).find("AAC unchanged") == 0;
    SPlugAudioStreamInfo before =
        AudioRecord(startsAac ? Code("mp4a") : Code("twos"), 2, 16, 44100);
    before.audioType = startsAac ? 12 : 1;  // PCM: 'twos' by its size
    auto outcome = RunSettingDialog(plugin_, ZEB_ORD_GetAudioCodecCustomSetting, before, c.script);
    ASSERT_EQ(outcome.result, c.result);
    const SPlugAudioStreamInfo& after = outcome.record;
    EXPECT_EQ(after.audioType, 12u);
    if (c.result != 0) {
      SPlugAudioStreamInfo expected = before;
      expected.audioType = 12;
      EXPECT_TRUE(outcome.block.empty());
      EXPECT_EQ(std::memcmp(&after, &expected, sizeof after), 0);
      continue;
    }
    EXPECT_EQ(outcome.kind, uint32_t{PLUG_PRIVATE_AUDIO_SETTINGS});
    const SPlugAudioStreamInfo expected = AudioRecord(c.format, c.channels, c.bits, c.rate);
    EXPECT_EQ(std::memcmp(&after, &expected, sizeof after), 0);
    if (c.blockBitRate == 0) {
      EXPECT_TRUE(outcome.block.empty());
      continue;
    }
    // Big-endian words: 'zscd', the format, the bit rate.
    ASSERT_EQ(outcome.block.size(), 12u);
    EXPECT_EQ(BigEndian(outcome.block, 0), Code("zscd"));
    EXPECT_EQ(BigEndian(outcome.block, 4), c.format);
    EXPECT_EQ(BigEndian(outcome.block, 8), c.blockBitRate);
  }
}

}  // namespace
}  // namespace zeb::test
