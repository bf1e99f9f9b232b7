#include "tests/analysis/ExpectedRecord.h"

#include <gtest/gtest.h>

#include <numeric>

#include "zebplug/ZEBPlugEnums.h"

namespace zeb::analysis::test {

namespace {

using zeb::test::Field;
using ProbedStream = zeb::test::ProbeFields;

// ffprobe's names of colour primaries, transfer functions and matrices share
// their codes wherever a name appears in more than one of the three lists.
const std::map<std::string, uint32_t> kColourCodes = {
    {"bt709", 1},     {"bt470m", 4}, {"fcc", 4},    {"bt470bg", 5},  {"smpte170m", 6},
    {"smpte240m", 7}, {"linear", 8}, {"bt2020", 9}, {"bt2020nc", 9}, {"smpte2084", 16}};
const std::map<std::string, uint32_t> kFieldOrders = {
    {"tt", PLUG_FIELD_ORDER_TOP_FIRST_},
    {"bb", PLUG_FIELD_ORDER_BOTTOM_FIRST_},
    {"progressive", PLUG_FIELD_ORDER_PROGRESSIVE_}};

// "a:b" or "a/b" of ffprobe, as {a, b}; {0, 0} for "N/A", "0:1" and the like.
std::pair<uint32_t, uint32_t> Ratio(const std::string& text) {
  const size_t colon = text.find_first_of(":/");
  if (colon == std::string::npos) return {0, 0};
  const auto num = static_cast<uint32_t>(std::stoul(text.substr(0, colon)));
  const auto den = static_cast<uint32_t>(std::stoul(text.substr(colon + 1)));
  return num == 0 || den == 0 ? std::pair<uint32_t, uint32_t>{0, 0} : std::pair{num, den};
}

// BT.709 above 720 pixels wide, else BT.601 (525-line primaries at 480 lines).
uint32_t DefaultCode(const SPlugVideoStreamInfo& info, bool primaries) {
  if (info.width > 720) return 1;
  return primaries && (info.height == 480 || info.height == 486) ? 6 : 5;
}

uint32_t ColourCode(const ProbedStream& stream, const std::string& key, uint32_t fallback) {
  const std::string name = Field(stream, key);
  if (name.empty() || name == "unknown" || name == "unspecified") return fallback;
  const auto found = kColourCodes.find(name);
  EXPECT_NE(found, kColourCodes.end()) << key << " " << name;
  return found == kColourCodes.end() ? 0 : found->second;
}

uint32_t ColourFormat(const std::string& pixFmt) {
  if (pixFmt.starts_with("yuv444p")) return PLUG_COLOR_FORMAT_YUV444P_;
  if (pixFmt.starts_with("yuv422p")) return PLUG_COLOR_FORMAT_YUV422P_;
  if (pixFmt.starts_with("yuv411p")) return PLUG_COLOR_FORMAT_YUV411P_;
  return PLUG_COLOR_FORMAT_YUV420P_;
}

}  // namespace

void ExpectRecordMatchesProbe(const SPlugVideoStreamInfo& info, const ProbedStream& stream) {
  EXPECT_EQ(info.size, 108u);
  EXPECT_EQ(info.width, std::stoul(stream.at("width")));
  EXPECT_EQ(info.height, std::stoul(stream.at("height")));

  auto aspect = Ratio(Field(stream, "display_aspect_ratio"));
  if (aspect.first == 0) {
    const uint32_t divisor = std::gcd(info.width, info.height);
    aspect = {info.width / divisor, info.height / divisor};
  }
  EXPECT_EQ(std::make_pair(info.aspectX, info.aspectY), aspect) << "display aspect ratio";
  EXPECT_EQ(std::make_pair(info.frameRateNum, info.frameRateDen), Ratio(stream.at("r_frame_rate")))
      << "frame rate";

  EXPECT_EQ(info.colorFormat, ColourFormat(stream.at("pix_fmt"))) << stream.at("pix_fmt");
  EXPECT_EQ(info.colorPrimaries, ColourCode(stream, "color_primaries", DefaultCode(info, true)));
  EXPECT_EQ(info.transferFunction, ColourCode(stream, "color_transfer", DefaultCode(info, false)));
  EXPECT_EQ(info.matrix, ColourCode(stream, "color_space", DefaultCode(info, false)));
  EXPECT_EQ(info.videoRange, Field(stream, "color_range") == "pc" ? 0u : 1u);

  const auto fieldOrder = kFieldOrders.find(Field(stream, "field_order"));
  if (fieldOrder != kFieldOrders.end()) {
    EXPECT_EQ(info.fieldOrder, fieldOrder->second) << "field order";
  }
}

}  // namespace zeb::analysis::test
