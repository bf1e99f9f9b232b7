// What the video settings dialog shows and reads back without a window: the
// summary text, frame rates as fractions (also through the dialog's 16.16
// value), the edit boxes' numbers and the template's pixel geometry.
#include <gtest/gtest.h>

#include <string>

#include "codecs/VideoCompressionSettings.h"
#include "codecs/VideoSettingSummary.h"
#include "platform/sys/Utf.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/Dialogs.h"

namespace {

std::string Summary(uint32_t codecType, uint32_t quality, uint32_t rateNum, uint32_t rateDen) {
  VideoSettingDialogContext context;
  context.settings.codecType = codecType;
  context.settings.spatialQuality = quality;
  context.settings.frameRateNum = rateNum;
  context.settings.frameRateDen = rateDen;
  FormatSettingSummary(context);
  return zeb::sys::Utf16ToUtf8(zeb::sys::TerminatedView(context.summaryText, kSummaryUnits));
}

TEST(VideoSettingSummary, NamesTheCodecQualityStepAndRate) {
  const struct {
    uint32_t codecType, quality, rateNum, rateDen;
    const char* text;
  } cases[] = {
      {0x61766331, 1023, 25, 1, "Compression: avc1\r\nQuality: Best\r\nFrame rate: 25.00\r\n"},
      {0x61766331, 1022, 30000, 1001,
       "Compression: avc1\r\nQuality: High\r\nFrame rate: 29.97\r\n"},
      {0x6A706567, 767, 1, 2, "Compression: jpeg\r\nQuality: Medium\r\nFrame rate: 0.50\r\n"},
      {0x61766331, 256, 25, 1, "Compression: avc1\r\nQuality: Low\r\nFrame rate: 25.00\r\n"},
      {0x61766331, 255, 25, 1, "Compression: avc1\r\nQuality: Least\r\nFrame rate: 25.00\r\n"},
      // zero bytes of a code add nothing; bytes above 0x7F are one unit each
      {0x00410042, 4096, 5, 1, "Compression: AB\r\nQuality: Best\r\nFrame rate: 5.00\r\n"},
      {0xE9000000, 1023, 5, 1, "Compression: \xC3\xA9\r\nQuality: Best\r\nFrame rate: 5.00\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Summary(c.codecType, c.quality, c.rateNum, c.rateDen), c.text) << c.text;
  }
}

// Typed rates, and rates as the dialog's 16.16 holds them (the fraction
// scaled by 65535 both ways), become these fractions.
TEST(VideoSettingSummary, FrameRateToFraction) {
  const struct {
    double rate;
    uint32_t num, den;
    int32_t result;
  } cases[] = {
      {29.97, 30000, 1001, 1},   {23.98, 24000, 1001, 1}, {23.976, 23976, 1000, 1},
      {25.0005, 25, 1, 1},       {0, 25, 1, 0},           {-3, 25, 1, 0},
      {29.9705, 30000, 1001, 1}, {0.5, 500, 1000, 1},
  };
  for (const auto& c : cases) {
    uint32_t num = 0, den = 0;
    EXPECT_EQ(FrameRateToFraction(c.rate, &num, &den), c.result) << c.rate;
    EXPECT_EQ(std::make_pair(num, den), std::make_pair(c.num, c.den)) << c.rate;
  }
  const struct {
    uint32_t num, den, backNum, backDen;
  } fixed[] = {
      {30000, 1001, 30000, 1001},
      {24000, 1001, 23976, 1000},
      {25, 1, 25, 1},
      {15, 2, 7499, 1000},  // 7.5 comes back a hair low and is cut to thousandths
  };
  for (const auto& c : fixed) {
    const auto value = static_cast<uint32_t>(FixedFrameRate(c.num, c.den));
    uint32_t num = 0, den = 0;
    FrameRateToFraction((value & 0xFFFFu) / 65535.0 + (value >> 16), &num, &den);
    EXPECT_EQ(std::make_pair(num, den), std::make_pair(c.backNum, c.backDen))
        << c.num << "/" << c.den;
  }
}

TEST(DialogText, UnsignedNumbersOfEditBoxes) {
  const struct {
    const char* text;
    bool converted;
    uint32_t value;
  } cases[] = {
      {" 720 ", true, 720},     {"4294967295", true, 4294967295u},
      {"4294967296", false, 0}, {"  ", false, 0},
      {"12x", false, 0},        {"-5", false, 0},
      {"+5", false, 0},         {"1 2", false, 0},
  };
  for (const auto& c : cases) {
    uint32_t value = 77;
    EXPECT_EQ(zeb::ui::ParseUnsigned(c.text, &value), c.converted) << '"' << c.text << '"';
    EXPECT_EQ(value, c.value) << '"' << c.text << '"';
  }
}

TEST(DialogText, DialogUnitsBecomePixelsThroughTheFontsBaseUnits) {
  // 6 × 13 pixels: the base units of an 8-point dialog font at 96 dpi.
  const zeb::ui::DialogBaseUnits base{6, 13};
  const zeb::ui::PixelRect summary = zeb::ui::DialogUnitsToPixels(base, 7, 7, 195, 63);
  EXPECT_EQ(summary.x, 11);  // 10.5 rounds up
  EXPECT_EQ(summary.y, 11);  // 11.375
  EXPECT_EQ(summary.width, 293);
  EXPECT_EQ(summary.height, 102);
  const zeb::ui::PixelRect dialog = zeb::ui::DialogUnitsToPixels(base, 0, 0, 209, 118);
  EXPECT_EQ(dialog.width, 314);
  EXPECT_EQ(dialog.height, 192);
  EXPECT_EQ(zeb::ui::AverageCharWidth(312), 6);
  EXPECT_EQ(zeb::ui::AverageCharWidth(337), 6);  // 6.48
  EXPECT_EQ(zeb::ui::AverageCharWidth(338), 7);  // 6.5 rounds up
}

}  // namespace
