// The H.264 analyser plug-in on byte-built streams: the field codings, POC
// orders, crops and chroma formats that x264 does not produce, and the
// analyser's state across calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/analysis/AnalysisTestSupport.h"
#include "tests/analysis/SyntheticH264.h"
#include "zebplug/ZEBPlugEnums.h"

namespace zeb::analysis::test {
namespace {

class H264SyntheticStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(plugin_.Loaded()) << H264AnalyzerPlugin::Path();
    analyzer_ = plugin_.create_(0);
    ASSERT_NE(analyzer_, nullptr);
  }
  void TearDown() override {
    if (analyzer_ != nullptr) plugin_.destroy_(analyzer_);
  }
  uint32_t Feed(const std::vector<uint8_t>& bytes, SPlugVideoStreamInfo* info) {
    return plugin_.analyse_(analyzer_, info, bytes.data(), static_cast<uint32_t>(bytes.size()));
  }

  H264AnalyzerPlugin plugin_;
  void* analyzer_ = nullptr;
};

struct PictureCase {
  const char* name;
  SyntheticSps sps;
  bool pocBottomInPps;
  std::optional<uint32_t> picStruct;
  SyntheticSlice slice;
  uint32_t width;
  uint32_t height;
  uint32_t fieldOrder;
  uint32_t colorFormat;
};

SyntheticSps Interlaced(SyntheticSps sps) {
  sps.frameMbsOnly = false;
  sps.heightMapUnits = 8;  // 256 lines
  return sps;
}
SyntheticSps WithPicStruct(SyntheticSps sps) {
  sps.picStructPresent = true;
  return sps;
}
SyntheticSps Cropped(SyntheticSps sps, uint32_t chromaFormatIdc, uint32_t right,
                     uint32_t bottom) {
  sps.chromaFormatIdc = chromaFormatIdc;
  sps.crop = {0, right, 0, bottom};
  return sps;
}
SyntheticSps PocType1(SyntheticSps sps, int32_t offsetForTopToBottomField) {
  sps.picOrderCntType = 1;
  sps.offsetForTopToBottomField = offsetForTopToBottomField;
  return sps;
}

constexpr uint32_t kTop = PLUG_FIELD_ORDER_TOP_FIRST_;
constexpr uint32_t kBottom = PLUG_FIELD_ORDER_BOTTOM_FIRST_;
constexpr uint32_t kProgressive = PLUG_FIELD_ORDER_PROGRESSIVE_;
constexpr uint32_t k420 = PLUG_COLOR_FORMAT_YUV420P_;

// Each case: SPS, POC delta in the PPS, pic_struct of an SEI (if any), first
// slice; then the expected width, height, field order and colour format.
const PictureCase kPictureCases[] = {
    {"ProgressiveIgnoresPocOrder", {}, true, {}, {.deltaPocBottom = -1},
     320, 240, kProgressive, k420},
    {"TopFieldFirstPicture", Interlaced({}), true, {}, {.fieldPic = true},
     320, 256, kTop, k420},
    {"BottomFieldFirstPicture", Interlaced({}), true, {}, {.fieldPic = true, .bottomField = true},
     320, 256, kBottom, k420},
    {"FrameWithBottomPocAfterTop", Interlaced({}), true, {}, {.deltaPocBottom = 1},
     320, 256, kTop, k420},
    {"FrameWithBottomPocBeforeTop", Interlaced({}), true, {}, {.deltaPocBottom = -1},
     320, 256, kBottom, k420},
    {"FrameWithEqualPocsIsProgressive", Interlaced({}), true, {}, {},
     320, 256, kProgressive, k420},
    {"FrameWithoutPocDeltaIsProgressive", Interlaced({}), false, {}, {},
     320, 256, kProgressive, k420},
    {"PocType1OffsetGivesBottomFirst", PocType1(Interlaced({}), -2), false, {}, {},
     320, 256, kBottom, k420},
    {"PicStructBottomTopBeatsPoc", WithPicStruct(Interlaced({})), true, 4u, {.deltaPocBottom = 1},
     320, 256, kBottom, k420},
    {"PicStructTopBottomTopBeatsPoc", WithPicStruct(Interlaced({})), true, 5u,
     {.deltaPocBottom = -1},
     320, 256, kTop, k420},
    {"PicStructFrameIsProgressive", WithPicStruct(Interlaced({})), true, 0u, {.deltaPocBottom = 1},
     320, 256, kProgressive, k420},
    {"PicStructIgnoredWhenSpsHasNone", Interlaced({}), true, 4u, {.deltaPocBottom = 1},
     320, 256, kTop, k420},
    {"FieldCrop420CountsFourLines", Cropped(Interlaced({}), 1, 3, 2), false, {}, {},
     314, 248, kProgressive, k420},
    {"FieldCrop422CountsTwoLines", Cropped(Interlaced({}), 2, 3, 2), false, {}, {},
     314, 252, kProgressive, PLUG_COLOR_FORMAT_YUV422P_},
    {"FrameCrop444CountsSingleSamples", Cropped({}, 3, 3, 1), false, {}, {},
     317, 239, kProgressive, PLUG_COLOR_FORMAT_YUV444P_},
    {"MonochromeCropsSingleSamples", Cropped({}, 0, 3, 1), false, {}, {},
     317, 239, kProgressive, k420},
    {"ScalingListsSkipped", {.scalingLists = true}, false, {}, {},
     320, 240, kProgressive, k420},
};

void PrintTo(const PictureCase& testCase, std::ostream* out) { *out << testCase.name; }

class H264PictureTest : public H264SyntheticStreamTest,
                        public ::testing::WithParamInterface<PictureCase> {};

TEST_P(H264PictureTest, SizeFieldOrderAndChromaFromParameterSetsAndFirstSlice) {
  const PictureCase& c = GetParam();
  const auto frame = Join({SpsNal(c.sps), PpsNal(c.pocBottomInPps),
                           c.picStruct ? PicTimingSeiNal(*c.picStruct) : std::vector<uint8_t>{},
                           SliceNal(c.sps, c.pocBottomInPps, c.slice)});
  SPlugVideoStreamInfo info{};
  ASSERT_EQ(Feed(frame, &info), uint32_t{ZEB_ANALYSIS_COMPLETE});
  EXPECT_EQ(info.width, c.width);
  EXPECT_EQ(info.height, c.height);
  EXPECT_EQ(info.fieldOrder, c.fieldOrder);
  EXPECT_EQ(info.colorFormat, c.colorFormat);
}

INSTANTIATE_TEST_SUITE_P(ByteBuilt, H264PictureTest, ::testing::ValuesIn(kPictureCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct VuiCase {
  const char* name;
  SyntheticSps sps;
  std::pair<uint32_t, uint32_t> aspect;
  std::pair<uint32_t, uint32_t> frameRate;
  std::array<uint32_t, 3> colour;
  uint32_t videoRange;
};

SyntheticSps Hd1440(SyntheticSps sps) {
  sps.widthMbs = 90;
  sps.heightMapUnits = 68;
  sps.crop = {0, 0, 0, 4};  // 1088 coded lines shown as 1080
  return sps;
}

// Each case: SPS; then the expected display aspect ratio, frame rate,
// colour codes (primaries, transfer, matrix) and video range.
const VuiCase kVuiCases[] = {
    {"ExtendedSarOnAnamorphicHd",
     Hd1440({.sarIdc = 255, .sarWidth = 4, .sarHeight = 3, .numUnitsInTick = 1001,
             .timeScale = 60000}),
     {16, 9}, {30000, 1001}, {1, 1, 1}, 1},
    {"TableSarWithUnspecifiedColourCodes",
     {.widthMbs = 45, .heightMapUnits = 30, .sarIdc = 3,
      .colour = std::array<uint32_t, 3>{2, 6, 2}},
     {15, 11}, {25, 1}, {6, 6, 5}, 1},
    {"FullRangeBt2020WithoutSarIsSquare",
     {.widthMbs = 80, .heightMapUnits = 45, .fullRange = true,
      .colour = std::array<uint32_t, 3>{9, 14, 9}, .timeScale = 120},
     {16, 9}, {60, 1}, {9, 14, 9}, 0},
};

void PrintTo(const VuiCase& testCase, std::ostream* out) { *out << testCase.name; }

class H264VuiTest : public H264SyntheticStreamTest,
                    public ::testing::WithParamInterface<VuiCase> {};

TEST_P(H264VuiTest, AspectRateColourAndRangeFromTheVui) {
  const VuiCase& c = GetParam();
  SPlugVideoStreamInfo info{};
  ASSERT_EQ(Feed(Join({SpsNal(c.sps), PpsNal(false), SliceNal(c.sps, false, {})}), &info),
            uint32_t{ZEB_ANALYSIS_COMPLETE});
  EXPECT_EQ(std::make_pair(info.aspectX, info.aspectY), c.aspect);
  EXPECT_EQ(std::make_pair(info.frameRateNum, info.frameRateDen), c.frameRate);
  EXPECT_EQ((std::array<uint32_t, 3>{info.colorPrimaries, info.transferFunction, info.matrix}),
            c.colour);
  EXPECT_EQ(info.videoRange, c.videoRange);
}

INSTANTIATE_TEST_SUITE_P(ByteBuilt, H264VuiTest, ::testing::ValuesIn(kVuiCases),
                         [](const auto& info) { return std::string(info.param.name); });

// num_units_in_tick = 1 puts 31 zero bits in a row: the SPS cannot be written
// without an emulation-prevention byte, and the rate comes out right only when
// the reader drops it.
TEST_F(H264SyntheticStreamTest, EmulationPreventionBytesAreDroppedInsideTheSps) {
  const SyntheticSps sps{.numUnitsInTick = 1, .timeScale = 48};
  const auto spsNal = SpsNal(sps);
  const std::vector<uint8_t> escape = {0, 0, 3};
  ASSERT_NE(std::search(spsNal.begin() + 4, spsNal.end(), escape.begin(), escape.end()),
            spsNal.end());
  SPlugVideoStreamInfo info{};
  ASSERT_EQ(Feed(Join({spsNal, PpsNal(false), SliceNal(sps, false, {})}), &info),
            uint32_t{ZEB_ANALYSIS_COMPLETE});
  EXPECT_EQ(std::make_pair(info.frameRateNum, info.frameRateDen), std::make_pair(24u, 1u));
}

// The first access unit's slice cannot be read yet (no parameter sets); its
// picture-timing message must not be taken for the later slice's.
TEST_F(H264SyntheticStreamTest, ParameterSetsAndSliceMayArriveInSeparateCalls) {
  const SyntheticSps sps = WithPicStruct(Interlaced({}));
  const auto slice = SliceNal(sps, true, {.deltaPocBottom = 1});
  SPlugVideoStreamInfo info{};
  info.frameRateNum = 7;
  EXPECT_EQ(Feed(Join({PicTimingSeiNal(4), slice}), &info), uint32_t{ZEB_ANALYSIS_NEED_MORE});
  EXPECT_EQ(info.frameRateNum, 7u) << "nothing is written before an SPS is known";

  EXPECT_EQ(Feed(SpsNal(sps), &info), uint32_t{ZEB_ANALYSIS_NEED_MORE});
  EXPECT_EQ(info.size, 108u);
  EXPECT_EQ(info.height, 256u);
  EXPECT_EQ(info.fieldOrder, kTop) << "provisional order of an interlaced SPS";

  EXPECT_EQ(Feed(PpsNal(true), &info), uint32_t{ZEB_ANALYSIS_NEED_MORE});
  EXPECT_EQ(Feed(slice, &info), uint32_t{ZEB_ANALYSIS_COMPLETE});
  EXPECT_EQ(info.fieldOrder, kTop) << "from the picture order counts";

  SPlugVideoStreamInfo again{};
  const std::vector<uint8_t> garbage = {0xDE, 0xAD};
  EXPECT_EQ(Feed(garbage, &again), uint32_t{ZEB_ANALYSIS_COMPLETE});
  EXPECT_EQ(std::memcmp(&again, &info, sizeof info), 0) << "a finished analyser repeats its record";
}

TEST_F(H264SyntheticStreamTest, ResetForgetsParameterSetsAndResult) {
  const SyntheticSps sps;
  SPlugVideoStreamInfo info{};
  ASSERT_EQ(Feed(Join({SpsNal(sps), PpsNal(false), SliceNal(sps, false, {})}), &info),
            uint32_t{ZEB_ANALYSIS_COMPLETE});
  plugin_.reset_(analyzer_);
  SPlugVideoStreamInfo fresh{};
  EXPECT_EQ(Feed(SliceNal(sps, false, {}), &fresh), uint32_t{ZEB_ANALYSIS_NEED_MORE});
  EXPECT_EQ(fresh.size, 0u);
}

}  // namespace
}  // namespace zeb::analysis::test
