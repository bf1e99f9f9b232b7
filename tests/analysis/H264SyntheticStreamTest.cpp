// The H.264 analysers on byte-built streams: the field codings, POC orders,
// crops and chroma formats that x264 does not produce, the analyser's state
// across calls, and the picture type of hand-made access units. Crops of
// 4:2:0 fields and 4:4:4 frames, and extended sample ratios on cropped HD,
// are x264's streams, compared with ffprobe in H264StreamTest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"
#include "tests/analysis/AnalysisTestSupport.h"
#include "tests/analysis/SyntheticH264.h"
#include "zebplug/ZEBPlugEnums.h"

namespace zeb::analysis::test {
namespace {

const SyntheticSps kInterlaced{.heightMapUnits = 8, .frameMbsOnly = false};  // 256 lines
const SyntheticSps kPicStruct{.heightMapUnits = 8, .frameMbsOnly = false, .picStructPresent = true};

const SyntheticSps kPocType1{.heightMapUnits = 8,
                             .frameMbsOnly = false,
                             .picOrderCntType = 1,
                             .offsetForTopToBottomField = -2};
constexpr uint32_t k422 = PLUG_COLOR_FORMAT_YUV422P_;

SyntheticSps InterlacedCropped(uint32_t chromaFormatIdc) {
  return {.chromaFormatIdc = chromaFormatIdc,
          .heightMapUnits = 8,
          .frameMbsOnly = false,
          .crop = {0, 3, 0, 2}};
}
const SyntheticSps kFieldCrop422 = InterlacedCropped(2);
const SyntheticSlice kBottomFieldPicture{.fieldPic = true, .bottomField = true};

// SPS, PPS, a picture-timing SEI when given, and the first slice.
std::vector<uint8_t> Frame(const SyntheticSps& sps, bool pocBottomInPps = false,
                           std::optional<uint32_t> picStruct = {},
                           const SyntheticSlice& slice = {}) {
  return Join({SpsNal(sps), PpsNal(pocBottomInPps),
               picStruct ? PicTimingSeiNal(*picStruct) : std::vector<uint8_t>{},
               SliceNal(sps, pocBottomInPps, slice)});
}

TEST(H264SyntheticStreamTest, SizeFieldOrderAndChromaFromParameterSetsAndFirstSlice) {
  // Each case: the frame's SPS, POC delta in the PPS, pic_struct and first
  // slice; then the expected field order, width, height and colour format.
  const struct {
    const char* name;
    SyntheticSps sps;
    bool pocBottomInPps;
    std::optional<uint32_t> picStruct;
    SyntheticSlice slice;
    uint32_t fieldOrder, width = 320, height = 256, colorFormat = PLUG_COLOR_FORMAT_YUV420P_;
  } cases[] = {
      {"ProgressiveIgnoresPocOrder", {}, true, {}, {.deltaPocBottom = -1}, kProgressive, 320, 240},
      {"TopFieldFirstPicture", kInterlaced, true, {}, {.fieldPic = true}, kTop},
      {"BottomFieldFirstPicture", kInterlaced, true, {}, kBottomFieldPicture, kBottom},
      {"FrameWithBottomPocAfterTop", kInterlaced, true, {}, {.deltaPocBottom = 1}, kTop},
      {"FrameWithBottomPocBeforeTop", kInterlaced, true, {}, {.deltaPocBottom = -1}, kBottom},
      {"FrameWithEqualPocsIsProgressive", kInterlaced, true, {}, {}, kProgressive},
      {"PocType1OffsetGivesBottomFirst", kPocType1, false, {}, {}, kBottom},
      {"PicStructBottomTopBeatsPoc", kPicStruct, true, 4u, {.deltaPocBottom = 1}, kBottom},
      {"PicStructTopBottomTopBeatsPoc", kPicStruct, true, 5u, {.deltaPocBottom = -1}, kTop},
      {"PicStructFrameIsProgressive", kPicStruct, true, 0u, {.deltaPocBottom = 1}, kProgressive},
      {"PicStructIgnoredWhenSpsHasNone", kInterlaced, true, 4u, {.deltaPocBottom = 1}, kTop},
      {"FieldCrop422CountsTwoLines", kFieldCrop422, false, {}, {}, kProgressive, 314, 252, k422},
      {"ScalingListsSkipped", {.scalingLists = true}, false, {}, {}, kProgressive, 320, 240},
  };
  for (const auto& c : cases) {
    SPlugVideoStreamInfo info{};
    EXPECT_EQ(H264Analyzer().Feed(Frame(c.sps, c.pocBottomInPps, c.picStruct, c.slice), &info),
              kComplete)
        << c.name;
    EXPECT_EQ(info.fieldOrder, c.fieldOrder) << c.name;
    EXPECT_EQ(std::make_pair(info.width, info.height), std::make_pair(c.width, c.height)) << c.name;
    EXPECT_EQ(info.colorFormat, c.colorFormat) << c.name;
  }
}

const SyntheticSps kTableSar{
    .widthMbs = 45, .heightMapUnits = 30, .sarIdc = 3, .colour = std::array<uint32_t, 3>{2, 6, 2}};
const SyntheticSps kFullRange2020{.widthMbs = 80,
                                  .heightMapUnits = 45,
                                  .fullRange = true,
                                  .colour = std::array<uint32_t, 3>{9, 14, 9},
                                  .timeScale = 120};
const SyntheticSps kEscaped{.numUnitsInTick = 1, .timeScale = 48};

TEST(H264SyntheticStreamTest, AspectRateColourAndRangeFromTheVui) {
  // Each case: SPS; then the expected display aspect ratio, frame rate,
  // colour codes (primaries, transfer, matrix) and video range.
  const struct {
    const char* name;
    SyntheticSps sps;
    std::pair<uint32_t, uint32_t> aspect, frameRate;
    std::array<uint32_t, 3> colour;
    uint32_t videoRange;
  } cases[] = {
      {"TableSarWithUnspecifiedColourCodes", kTableSar, {15, 11}, {25, 1}, {6, 6, 5}, 1},
      {"FullRangeBt2020WithoutSarIsSquare", kFullRange2020, {16, 9}, {60, 1}, {9, 14, 9}, 0},
      // num_units_in_tick = 1 puts 31 zero bits in a row, escaped inside the SPS.
      {"EmulationPreventionDropped", kEscaped, {4, 3}, {24, 1}, {5, 5, 5}, 1},
  };
  for (const auto& c : cases) {
    SPlugVideoStreamInfo info{};
    EXPECT_EQ(H264Analyzer().Feed(Frame(c.sps), &info), kComplete) << c.name;
    EXPECT_EQ(std::make_pair(info.aspectX, info.aspectY), c.aspect) << c.name;
    EXPECT_EQ(std::make_pair(info.frameRateNum, info.frameRateDen), c.frameRate) << c.name;
    EXPECT_EQ((std::array<uint32_t, 3>{info.colorPrimaries, info.transferFunction, info.matrix}),
              c.colour)
        << c.name;
    EXPECT_EQ(info.videoRange, c.videoRange) << c.name;
  }
  const auto sps = SpsNal(kEscaped);
  const std::vector<uint8_t> escape = {0, 0, 3};
  EXPECT_NE(std::search(sps.begin() + 4, sps.end(), escape.begin(), escape.end()), sps.end())
      << "the SPS must carry an emulation-prevention byte";
}

// The first access unit's slice cannot be read yet (no parameter sets); its
// picture-timing message must not be taken for the later slice's.
TEST(H264SyntheticStreamTest, ParameterSetsAndSliceMayArriveInSeparateCalls) {
  const H264Analyzer analyzer;
  const auto slice = SliceNal(kPicStruct, true, {.deltaPocBottom = 1});
  SPlugVideoStreamInfo info{};
  info.frameRateNum = 7;
  EXPECT_EQ(analyzer.Feed(Join({PicTimingSeiNal(4), slice}), &info), kNeedMore);
  EXPECT_EQ(info.frameRateNum, 7u) << "nothing is written before an SPS is known";

  EXPECT_EQ(analyzer.Feed(SpsNal(kPicStruct), &info), kNeedMore);
  EXPECT_EQ(info.size, 108u);
  EXPECT_EQ(info.height, 256u);
  EXPECT_EQ(info.fieldOrder, kTop) << "provisional order of an interlaced SPS";

  EXPECT_EQ(analyzer.Feed(PpsNal(true), &info), kNeedMore);
  EXPECT_EQ(analyzer.Feed(slice, &info), kComplete);
  EXPECT_EQ(info.fieldOrder, kTop) << "from the picture order counts";

  SPlugVideoStreamInfo again{};
  EXPECT_EQ(analyzer.Feed(std::vector<uint8_t>{0xDE, 0xAD}, &again), kComplete);
  EXPECT_EQ(std::memcmp(&again, &info, sizeof info), 0) << "a finished analyser repeats its record";

  analyzer.Reset();
  SPlugVideoStreamInfo fresh{};
  EXPECT_EQ(analyzer.Feed(slice, &fresh), kNeedMore) << "reset forgets the parameter sets";
  EXPECT_EQ(fresh.size, 0u);
}

std::vector<uint8_t> Slice(uint8_t nalType, uint32_t sliceType) {
  return SliceNal({}, false, {.nalType = nalType, .sliceType = sliceType});
}

TEST(H264FrameTypeTest, FirstReadableSliceDecidesThePictureType) {
  constexpr uint32_t kIdr = PLUG_FRAME_COMPRESS_TYPE_IDR_;
  constexpr uint32_t kIntra = PLUG_FRAME_COMPRESS_TYPE_I_;
  constexpr uint32_t kPredicted = PLUG_FRAME_COMPRESS_TYPE_P_;
  constexpr uint32_t kBidirectional = PLUG_FRAME_COMPRESS_TYPE_B_;
  constexpr uint32_t kNone = PLUG_FRAME_COMPRESS_TYPE_NONE_;
  auto threeByteStartCode = Slice(1, 5);
  threeByteStartCode.erase(threeByteStartCode.begin());
  auto forbiddenBitSet = Slice(1, 7);
  forbiddenBitSet[4] |= 0x80;
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    uint32_t expected;
  } cases[] = {
      {"IdrAfterDelimiterSeiAndParameterSets",
       Join({BitWriter().Bits(7, 3).Nal(0, 9), SpsNal({}), PpsNal(false), PicTimingSeiNal(0),
             Slice(5, 7)}),
       kIdr},
      {"DataPartitionA", Slice(2, 6), kBidirectional},
      {"FirstSliceDecides", Join({Slice(1, 6), Slice(1, 7)}), kBidirectional},
      {"ThreeByteStartCode", threeByteStartCode, kPredicted},
      {"ParameterSetsOnly", Join({SpsNal({}), PpsNal(false)}), kNone},
      {"SliceTypeOutOfRange", Slice(1, 10), kNone},
      {"UnreadableSliceSkipped", Join({Slice(1, 10), Slice(1, 5)}), kPredicted},
      {"ForbiddenBitSkipsTheUnit", Join({forbiddenBitSet, Slice(1, 5)}), kPredicted},
      {"NoStartCode", std::vector<uint8_t>(32, 0x65), kNone},
      {"Empty", {}, kNone},
  };
  const auto frameType = [](const std::vector<uint8_t>& bytes) {
    return GetH264FrameType(bytes.data(), static_cast<uint32_t>(bytes.size()));
  };
  for (const auto& c : cases) EXPECT_EQ(frameType(c.bytes), c.expected) << c.name;
  EXPECT_EQ(GetH264FrameType(nullptr, 16), kNone);
  // slice_type 0 to 9: P, B, I, SP, SI, then the same five for all-alike slices.
  const uint32_t kOfSliceType[] = {kPredicted, kBidirectional, kIntra, kPredicted, kIntra};
  for (uint32_t sliceType = 0; sliceType < 10; ++sliceType) {
    EXPECT_EQ(frameType(Slice(1, sliceType)), kOfSliceType[sliceType % 5]) << sliceType;
    EXPECT_EQ(frameType(Slice(5, sliceType)), kIdr) << "IDR of slice_type " << sliceType;
  }
}

}  // namespace
}  // namespace zeb::analysis::test
