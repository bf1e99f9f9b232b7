// GetDVVideoInfo against ffprobe's reading of DIF streams made by ffmpeg's DV
// encoder, and on frames with patched header and VAUX bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"
#include "tests/analysis/AnalysisTestSupport.h"
#include "tests/analysis/ExpectedRecord.h"
#include "tests/support/Fixtures.h"
#include "zebplug/ZEBPlugEnums.h"

namespace zeb::analysis::test {
namespace {

struct DvCase {
  const char* name;
  const char* fixture;
  uint32_t fieldOrder;  // ffprobe does not report it for DV
  uint32_t megabits;    // ffprobe reports 25 Mbit/s for every DV flavour
};

const DvCase kDvCases[] = {
    {"Pal420", "pal.dv", kBottom, 25},
    {"PalWide", "pal_wide.dv", kBottom, 25},
    {"NtscWide411", "ntsc_wide.dv", kBottom, 25},
    {"DvcproPal411", "dvcpro_pal.dv", kBottom, 25},
    {"Dv50Pal", "dv50_pal.dv", kBottom, 50},
    {"Dv50Ntsc", "dv50_ntsc.dv", kBottom, 50},
    {"DvcproHd1080i50", "hd1080i50.dv", kTop, 100},
    {"DvcproHd1080i60", "hd1080i60.dv", kTop, 100},
    {"DvcproHd720p60", "hd720p60.dv", kProgressive, 100},
    {"DvcproHd720p50", "hd720p50.dv", kProgressive, 100},
};

void PrintTo(const DvCase& testCase, std::ostream* out) { *out << testCase.name; }

class DvStreamTest : public ::testing::TestWithParam<DvCase> {};

TEST_P(DvStreamTest, OneFrameDescribesTheStreamAsFfprobeDoes) {
  const auto frame = FirstFrame(GetParam().fixture);
  SPlugVideoStreamInfo info{};
  info.videoType = 13;
  info.videoSubType = 0x64766370;
  ASSERT_EQ(GetDVVideoInfo(frame.data(), static_cast<uint32_t>(frame.size()), &info),
            uint32_t{ZEB_ANALYSIS_COMPLETE});
  ExpectRecordMatchesProbe(
      info, zeb::test::ProbeStreamFields(zeb::test::Fixture(GetParam().fixture), "v:0"));
  EXPECT_EQ(info.fieldOrder, GetParam().fieldOrder);
  EXPECT_EQ(info.bitRate, GetParam().megabits * 1'000'000);
  EXPECT_EQ(info.componentDepth, 8);
  EXPECT_EQ(info.videoType, 13u) << "the caller's type stays";
  EXPECT_EQ(info.videoSubType, 0x64766370u);
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, DvStreamTest, ::testing::ValuesIn(kDvCases), kCaseName);

using Patch = std::function<void(std::vector<uint8_t>&)>;

// Rewrites byte `at` of every VAUX pack with the given id: blocks 3 to 5 of
// each 150-block DIF sequence hold fifteen 5-byte packs from byte 3.
Patch PatchPacks(uint8_t id, size_t at, uint8_t clear, uint8_t set) {
  return [=](std::vector<uint8_t>& frame) {
    for (size_t sequence = 0; (sequence + 1) * 150 * 80 <= frame.size(); ++sequence) {
      for (size_t block = 3; block < 6; ++block) {
        for (size_t pack = 0; pack < 15; ++pack) {
          const size_t start = (sequence * 150 + block) * 80 + 3 + pack * 5;
          uint8_t& byte = frame[start + at];
          if (frame[start] == id) byte = static_cast<uint8_t>((byte & ~clear) | set);
        }
      }
    }
  };
}

constexpr uint8_t kSource = 0x60;
constexpr uint8_t kControl = 0x61;

TEST(DvFrameTest, HeaderAndVauxPacksDecide) {
  const struct {
    const char* name;
    Patch patch;
    uint32_t status = kComplete;  // a refused frame leaves the record as it was
    uint32_t fieldOrder = kBottom;
    std::pair<uint32_t, uint32_t> aspect = {4, 3};
    uint32_t colorFormat = PLUG_COLOR_FORMAT_YUV420P_;
  } cases[] = {
      {"AsMade", [](auto&) {}},
      {"NotInterlaced", PatchPacks(kControl, 3, 0x10, 0), kComplete, kProgressive},
      {"FieldTwoFirst", PatchPacks(kControl, 3, 0x40, 0), kComplete, kTop},
      {"ProfessionalTrackIs411AndKeepsDisplayCode7",
       [](auto& f) {
         f[4] = static_cast<uint8_t>((f[4] & ~0x07) | 0x01);
         PatchPacks(kControl, 2, 0, 0x07)(f);
       },
       kComplete,
       kBottom,
       {4, 3},
       PLUG_COLOR_FORMAT_YUV411P_},
      {"NoSourceControlPack", PatchPacks(kControl, 0, 0xFF, 0xFF)},
      {"OnlyTheFirstDifSequence", [](auto& f) { f.resize(150 * 80); }},
      {"NoSourcePack", PatchPacks(kSource, 0, 0xFF, 0xFF), kInvalid},
      {"UnknownSamplingType", PatchPacks(kSource, 3, 0x1F, 0x01), kInvalid},
      {"FirstBlockIsNoHeader", [](auto& f) { f[0] = 0x5F; }, kInvalid},
      {"EndsBeforeTheVauxBlocks", [](auto& f) { f.resize(3 * 80); }, kInvalid},
  };
  const auto pal = FirstFrame(kDvCases[0].fixture);
  for (const auto& c : cases) {
    auto frame = pal;
    c.patch(frame);
    SPlugVideoStreamInfo info{};
    EXPECT_EQ(GetDVVideoInfo(frame.data(), static_cast<uint32_t>(frame.size()), &info), c.status)
        << c.name;
    if (c.status == kInvalid) {
      EXPECT_EQ(info.size, 0u) << c.name;
      continue;
    }
    EXPECT_EQ(info.fieldOrder, c.fieldOrder) << c.name;
    EXPECT_EQ(std::make_pair(info.aspectX, info.aspectY), c.aspect) << c.name;
    EXPECT_EQ(info.colorFormat, c.colorFormat) << c.name;
  }
}

}  // namespace
}  // namespace zeb::analysis::test
