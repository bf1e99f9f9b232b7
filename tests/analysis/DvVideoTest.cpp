// GetDVVideoInfo against ffprobe's reading of DIF streams made by ffmpeg's DV
// encoder, and on frames with patched header and VAUX bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"
#include "tests/analysis/AnalysisTestSupport.h"
#include "tests/analysis/ExpectedRecord.h"
#include "zebplug/ZEBPlugEnums.h"

namespace zeb::analysis::test {
namespace {

constexpr uint32_t kTop = PLUG_FIELD_ORDER_TOP_FIRST_;
constexpr uint32_t kBottom = PLUG_FIELD_ORDER_BOTTOM_FIRST_;
constexpr uint32_t kProgressive = PLUG_FIELD_ORDER_PROGRESSIVE_;
constexpr int kFrames = 2;

struct DvCase {
  const char* name;
  FixtureRecipe recipe;
  uint32_t fieldOrder;  // ffprobe does not report it for DV
  uint32_t bitRate;     // ffprobe reports 25 Mbit/s for every DV flavour
};

FixtureRecipe Dv(const char* file, const char* size, const char* rate, const std::string& args) {
  return {file, size, rate, kFrames, "-c:v dvvideo " + args + " -f dv"};
}

const DvCase kDvCases[] = {
    {"Pal420", Dv("pal.dv", "720x576", "25", "-pix_fmt yuv420p"), kBottom, 25'000'000},
    {"PalWide", Dv("pal_wide.dv", "720x576", "25", "-pix_fmt yuv420p -aspect 16:9"), kBottom,
     25'000'000},
    {"NtscWide411", Dv("ntsc_wide.dv", "720x480", "30000/1001", "-pix_fmt yuv411p -aspect 16:9"),
     kBottom, 25'000'000},
    {"DvcproPal411", Dv("dvcpro_pal.dv", "720x576", "25", "-pix_fmt yuv411p"), kBottom, 25'000'000},
    {"Dv50Pal", Dv("dv50_pal.dv", "720x576", "25", "-pix_fmt yuv422p"), kBottom, 50'000'000},
    {"Dv50Ntsc", Dv("dv50_ntsc.dv", "720x480", "30000/1001", "-pix_fmt yuv422p"), kBottom,
     50'000'000},
    {"DvcproHd1080i50", Dv("hd1080i50.dv", "1440x1080", "25", "-pix_fmt yuv422p"), kTop,
     100'000'000},
    {"DvcproHd1080i60", Dv("hd1080i60.dv", "1280x1080", "30000/1001", "-pix_fmt yuv422p"), kTop,
     100'000'000},
    {"DvcproHd720p60", Dv("hd720p60.dv", "960x720", "60000/1001", "-pix_fmt yuv422p"),
     kProgressive, 100'000'000},
    {"DvcproHd720p50", Dv("hd720p50.dv", "960x720", "50", "-pix_fmt yuv422p"), kProgressive,
     100'000'000},
};

void PrintTo(const DvCase& testCase, std::ostream* out) { *out << testCase.name; }

std::vector<uint8_t> FirstFrame(const FixtureRecipe& recipe) {
  auto file = ReadFileBytes(MakeFixture(recipe));
  file.resize(file.size() / kFrames);
  return file;
}

class DvStreamTest : public ::testing::TestWithParam<DvCase> {};

TEST_P(DvStreamTest, OneFrameDescribesTheStreamAsFfprobeDoes) {
  const auto frame = FirstFrame(GetParam().recipe);
  SPlugVideoStreamInfo info{};
  info.videoType = 13;
  info.videoSubType = 0x64766370;
  ASSERT_EQ(GetDVVideoInfo(frame.data(), static_cast<uint32_t>(frame.size()), &info),
            uint32_t{ZEB_ANALYSIS_COMPLETE});
  ExpectRecordMatchesProbe(info, ProbeStream(MakeFixture(GetParam().recipe)));
  EXPECT_EQ(info.fieldOrder, GetParam().fieldOrder);
  EXPECT_EQ(info.bitRate, GetParam().bitRate);
  EXPECT_EQ(info.componentDepth, 8);
  EXPECT_EQ(info.videoType, 13u) << "the caller's type stays";
  EXPECT_EQ(info.videoSubType, 0x64766370u);
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, DvStreamTest, ::testing::ValuesIn(kDvCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The VAUX packs of a DIF frame: blocks 3 to 5 of each 150-block sequence,
// fifteen 5-byte packs from byte 3 (IEC 61834-2).
void ForEachPack(std::vector<uint8_t>& frame, uint8_t id,
                 const std::function<void(uint8_t* pack)>& patch) {
  for (size_t sequence = 0; (sequence + 1) * 150 * 80 <= frame.size(); ++sequence) {
    for (size_t block = 3; block < 6; ++block) {
      for (size_t pack = 0; pack < 15; ++pack) {
        uint8_t* bytes = &frame[(sequence * 150 + block) * 80 + 3 + pack * 5];
        if (bytes[0] == id) patch(bytes);
      }
    }
  }
}

struct PatchCase {
  const char* name;
  std::function<void(std::vector<uint8_t>&)> patch;
  uint32_t status;
  uint32_t fieldOrder;
  std::pair<uint32_t, uint32_t> aspect;
  uint32_t colorFormat;
};

constexpr uint8_t kSource = 0x60;
constexpr uint8_t kControl = 0x61;

const std::vector<PatchCase>& PatchCases() {
  static const std::vector<PatchCase> cases = {
      {"AsMade", [](auto&) {}, ZEB_ANALYSIS_COMPLETE, kBottom, {4, 3}, PLUG_COLOR_FORMAT_YUV420P_},
      {"NotInterlaced",
       [](auto& f) { ForEachPack(f, kControl, [](uint8_t* p) { p[3] &= ~0x10; }); },
       ZEB_ANALYSIS_COMPLETE, kProgressive, {4, 3}, PLUG_COLOR_FORMAT_YUV420P_},
      {"FieldTwoFirst",
       [](auto& f) { ForEachPack(f, kControl, [](uint8_t* p) { p[3] &= ~0x40; }); },
       ZEB_ANALYSIS_COMPLETE, kTop, {4, 3}, PLUG_COLOR_FORMAT_YUV420P_},
      {"ConsumerFullFormatWide",
       [](auto& f) { ForEachPack(f, kControl, [](uint8_t* p) { p[2] |= 0x07; }); },
       ZEB_ANALYSIS_COMPLETE, kBottom, {16, 9}, PLUG_COLOR_FORMAT_YUV420P_},
      {"ProfessionalTrackIs411AndKeepsDisplayCode7",
       [](auto& f) {
         f[4] = static_cast<uint8_t>((f[4] & ~0x07) | 0x01);
         ForEachPack(f, kControl, [](uint8_t* p) { p[2] |= 0x07; });
       },
       ZEB_ANALYSIS_COMPLETE, kBottom, {4, 3}, PLUG_COLOR_FORMAT_YUV411P_},
      {"NoSourceControlPack",
       [](auto& f) { ForEachPack(f, kControl, [](uint8_t* p) { p[0] = 0xFF; }); },
       ZEB_ANALYSIS_COMPLETE, kBottom, {4, 3}, PLUG_COLOR_FORMAT_YUV420P_},
      {"OnlyTheFirstDifSequence", [](auto& f) { f.resize(150 * 80); }, ZEB_ANALYSIS_COMPLETE,
       kBottom, {4, 3}, PLUG_COLOR_FORMAT_YUV420P_},
      {"NoSourcePack", [](auto& f) { ForEachPack(f, kSource, [](uint8_t* p) { p[0] = 0xFF; }); },
       ZEB_ANALYSIS_INVALID, 0, {0, 0}, 0},
      {"UnknownSamplingType",
       [](auto& f) { ForEachPack(f, kSource, [](uint8_t* p) { p[3] = (p[3] & ~0x1F) | 0x01; }); },
       ZEB_ANALYSIS_INVALID, 0, {0, 0}, 0},
      {"FirstBlockIsNoHeader", [](auto& f) { f[0] = 0x5F; }, ZEB_ANALYSIS_INVALID, 0, {0, 0}, 0},
      {"EndsBeforeTheVauxBlocks", [](auto& f) { f.resize(3 * 80); }, ZEB_ANALYSIS_INVALID, 0,
       {0, 0}, 0},
  };
  return cases;
}

TEST(DvFrameTest, HeaderAndVauxPacksDecide) {
  const auto pal = FirstFrame(kDvCases[0].recipe);
  for (const auto& c : PatchCases()) {
    auto frame = pal;
    c.patch(frame);
    SPlugVideoStreamInfo info{};
    EXPECT_EQ(GetDVVideoInfo(frame.data(), static_cast<uint32_t>(frame.size()), &info), c.status)
        << c.name;
    EXPECT_EQ(info.fieldOrder, c.fieldOrder) << c.name;
    EXPECT_EQ(std::make_pair(info.aspectX, info.aspectY), c.aspect) << c.name;
    EXPECT_EQ(info.colorFormat, c.colorFormat) << c.name;
  }
}

}  // namespace
}  // namespace zeb::analysis::test
