#include "tests/analysis/ExpectedRecord.h"

#include <gtest/gtest.h>

#include <numeric>

#include "tests/analysis/AnalysisTestSupport.h"
#include "zebplug/ZEBPlugEnums.h"

namespace zeb::analysis::test {

namespace {

using CodeNames = std::map<std::string, uint32_t>;

const CodeNames kPrimaries = {{"bt709", 1}, {"bt470m", 4}, {"bt470bg", 5}, {"smpte170m", 6},
                              {"smpte240m", 7}, {"bt2020", 9}};
const CodeNames kTransfers = {{"bt709", 1}, {"bt470m", 4}, {"bt470bg", 5}, {"smpte170m", 6},
                              {"smpte240m", 7}, {"linear", 8}, {"smpte2084", 16}};
const CodeNames kMatrices = {{"bt709", 1}, {"fcc", 4}, {"bt470bg", 5}, {"smpte170m", 6},
                             {"smpte240m", 7}, {"bt2020nc", 9}};
const CodeNames kFieldOrders = {{"tt", PLUG_FIELD_ORDER_TOP_FIRST_},
                                {"bb", PLUG_FIELD_ORDER_BOTTOM_FIRST_},
                                {"progressive", PLUG_FIELD_ORDER_PROGRESSIVE_}};
const CodeNames kProfiles = {{"Baseline", 66}, {"Constrained Baseline", 66}, {"Main", 77},
                             {"High", 100}, {"High 10", 110}, {"High 4:2:2", 122},
                             {"High 4:4:4 Predictive", 244}};

std::string Field(const ProbedStream& stream, const std::string& key) {
  const auto found = stream.find(key);
  return found == stream.end() ? std::string("unknown") : found->second;
}

// BT.709 above 720 pixels wide, else BT.601 (525-line primaries at 480 lines).
uint32_t DefaultCode(const SPlugVideoStreamInfo& info, bool primaries) {
  if (info.width > 720) return 1;
  return primaries && (info.height == 480 || info.height == 486) ? 6 : 5;
}

uint32_t ColourCode(const ProbedStream& stream, const std::string& key, const CodeNames& names,
                    uint32_t fallback) {
  const std::string name = Field(stream, key);
  if (name == "unknown" || name == "unspecified") return fallback;
  const auto found = names.find(name);
  EXPECT_NE(found, names.end()) << key << " " << name;
  return found == names.end() ? 0 : found->second;
}

uint32_t ColourFormat(const std::string& pixFmt) {
  if (pixFmt.rfind("yuv444p", 0) == 0) return PLUG_COLOR_FORMAT_YUV444P_;
  if (pixFmt.rfind("yuv422p", 0) == 0) return PLUG_COLOR_FORMAT_YUV422P_;
  if (pixFmt.rfind("yuv411p", 0) == 0) return PLUG_COLOR_FORMAT_YUV411P_;
  return PLUG_COLOR_FORMAT_YUV420P_;
}

}  // namespace

void ExpectRecordMatchesProbe(const SPlugVideoStreamInfo& info, const ProbedStream& stream) {
  EXPECT_EQ(info.size, 108u);
  EXPECT_EQ(info.width, std::stoul(stream.at("width")));
  EXPECT_EQ(info.height, std::stoul(stream.at("height")));

  auto aspect = ParseRatio(Field(stream, "display_aspect_ratio"));
  if (aspect.first == 0) {
    const uint32_t divisor = std::gcd(info.width, info.height);
    aspect = {info.width / divisor, info.height / divisor};
  }
  EXPECT_EQ(std::make_pair(info.aspectX, info.aspectY), aspect) << "display aspect ratio";
  EXPECT_EQ(std::make_pair(info.frameRateNum, info.frameRateDen),
            ParseRatio(stream.at("r_frame_rate")))
      << "frame rate";

  EXPECT_EQ(info.colorFormat, ColourFormat(stream.at("pix_fmt"))) << stream.at("pix_fmt");
  EXPECT_EQ(info.colorPrimaries,
            ColourCode(stream, "color_primaries", kPrimaries, DefaultCode(info, true)));
  EXPECT_EQ(info.transferFunction,
            ColourCode(stream, "color_transfer", kTransfers, DefaultCode(info, false)));
  EXPECT_EQ(info.matrix, ColourCode(stream, "color_space", kMatrices, DefaultCode(info, false)));
  EXPECT_EQ(info.videoRange, Field(stream, "color_range") == "pc" ? 0u : 1u);

  const auto fieldOrder = kFieldOrders.find(Field(stream, "field_order"));
  if (fieldOrder != kFieldOrders.end()) {
    EXPECT_EQ(info.fieldOrder, fieldOrder->second) << "field order";
  }
}

uint32_t H264ProfileIdc(const std::string& profile) {
  const auto found = kProfiles.find(profile);
  return found == kProfiles.end() ? 0 : found->second;
}

}  // namespace zeb::analysis::test
