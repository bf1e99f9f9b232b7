// GetH264FrameType against ffprobe's picture types of x264 streams, and on
// byte-built access units.
#include <gtest/gtest.h>

#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"
#include "tests/analysis/AnalysisTestSupport.h"
#include "tests/analysis/SyntheticH264.h"
#include "zebplug/ZEBPlugEnums.h"

namespace zeb::analysis::test {
namespace {

constexpr uint32_t kIdr = PLUG_FRAME_COMPRESS_TYPE_IDR_;
constexpr uint32_t kIntra = PLUG_FRAME_COMPRESS_TYPE_I_;
constexpr uint32_t kPredicted = PLUG_FRAME_COMPRESS_TYPE_P_;
constexpr uint32_t kBidirectional = PLUG_FRAME_COMPRESS_TYPE_B_;
constexpr uint32_t kNone = PLUG_FRAME_COMPRESS_TYPE_NONE_;

struct GopCase {
  const char* name;
  FixtureRecipe recipe;
  bool openGop;  // key frames after the first are I pictures with a recovery point, not IDR
};

const GopCase kGopCases[] = {
    {"ClosedGopWithBFrames", {"ft_closed.h264", "320x240", "25", 20,
      "-c:v libx264 -bf 3 -x264-params keyint=7:scenecut=0"}, false},
    {"OpenGop", {"ft_open.h264", "320x240", "25", 20,
      "-c:v libx264 -bf 2 -x264-params keyint=6:min-keyint=6:scenecut=0:open-gop=1"}, true},
    {"InterlacedFourSlices", {"ft_slices.h264", "720x576", "25", 10,
      "-flags +ildct+ilme -c:v libx264 -x264-params tff=1:slices=4:keyint=5:scenecut=0"}, false},
    {"BaselineWithoutB", {"ft_baseline.h264", "320x240", "25", 12,
      "-c:v libx264 -profile:v baseline -x264-params keyint=5:scenecut=0"}, false},
};

void PrintTo(const GopCase& testCase, std::ostream* out) { *out << testCase.name; }

class H264GopTest : public ::testing::TestWithParam<GopCase> {};

TEST_P(H264GopTest, EveryFrameTypeMatchesFfprobe) {
  const std::string path = MakeFixture(GetParam().recipe);
  const auto file = ReadFileBytes(path);
  const auto frames = ProbeFrames(path);
  ASSERT_EQ(frames.size(), static_cast<size_t>(GetParam().recipe.frames));
  std::map<uint32_t, int> seen;
  for (size_t i = 0; i < frames.size(); ++i) {
    const ProbedFrame& frame = frames[i];
    const bool idr = frame.keyFrame && (!GetParam().openGop || i == 0);
    const uint32_t expected = frame.pictType == "P"   ? kPredicted
                              : frame.pictType == "B" ? kBidirectional
                              : idr                   ? kIdr
                                                      : kIntra;
    const auto bytes = FrameBytes(file, frame);
    EXPECT_EQ(GetH264FrameType(bytes.data(), static_cast<uint32_t>(bytes.size())), expected)
        << "frame " << i << " at " << frame.pos << " (" << frame.pictType << ")";
    ++seen[expected];
  }
  EXPECT_GT(seen[kIdr], 0);
  EXPECT_GT(seen[kPredicted], 0);
  if (GetParam().openGop) {
    EXPECT_GT(seen[kIntra], 0) << "the fixture must hold non-IDR I frames";
  }
}

INSTANTIATE_TEST_SUITE_P(X264, H264GopTest, ::testing::ValuesIn(kGopCases),
                         [](const auto& info) { return std::string(info.param.name); });

std::vector<uint8_t> Slice(uint8_t nalType, uint32_t sliceType) {
  return SliceNal({}, false, {.nalType = nalType, .sliceType = sliceType});
}

std::vector<uint8_t> ThreeByteStartCodes(std::vector<uint8_t> bytes) {
  bytes.erase(bytes.begin());
  return bytes;
}

std::vector<uint8_t> ForbiddenBitSet(std::vector<uint8_t> nal) {
  nal[4] |= 0x80;
  return nal;
}

struct AccessUnitCase {
  const char* name;
  std::vector<uint8_t> bytes;
  uint32_t expected;
};

const std::vector<AccessUnitCase>& AccessUnitCases() {
  static const std::vector<AccessUnitCase> cases = {
      {"IdrAfterDelimiterSeiAndParameterSets",
       Join({AccessUnitDelimiterNal(), SpsNal({}), PpsNal(false), PicTimingSeiNal(0), Slice(5, 7)}),
       kIdr},
      {"IdrWhateverItsSliceType", Slice(5, 0), kIdr},
      {"NonIdrI", Slice(1, 7), kIntra},
      {"NonIdrIOfMixedSliceTypes", Slice(1, 2), kIntra},
      {"SwitchingIIsIntra", Slice(1, 9), kIntra},
      {"P", Slice(1, 5), kPredicted},
      {"PMixed", Slice(1, 0), kPredicted},
      {"SwitchingPIsPredicted", Slice(1, 3), kPredicted},
      {"B", Slice(1, 6), kBidirectional},
      {"BMixed", Slice(1, 1), kBidirectional},
      {"DataPartitionA", Slice(2, 6), kBidirectional},
      {"FirstSliceDecides", Join({Slice(1, 6), Slice(1, 7)}), kBidirectional},
      {"ThreeByteStartCode", ThreeByteStartCodes(Slice(1, 5)), kPredicted},
      {"ParameterSetsOnly", Join({SpsNal({}), PpsNal(false)}), kNone},
      {"SliceTypeOutOfRange", Slice(1, 10), kNone},
      {"UnreadableSliceSkipped", Join({Slice(1, 10), Slice(1, 5)}), kPredicted},
      {"ForbiddenBitSkipsTheUnit", Join({ForbiddenBitSet(Slice(1, 7)), Slice(1, 5)}), kPredicted},
      {"NoStartCode", std::vector<uint8_t>(32, 0x65), kNone},
      {"Empty", {}, kNone},
  };
  return cases;
}

TEST(H264AccessUnitTest, FirstReadableSliceDecidesThePictureType) {
  for (const auto& c : AccessUnitCases()) {
    EXPECT_EQ(GetH264FrameType(c.bytes.data(), static_cast<uint32_t>(c.bytes.size())), c.expected)
        << c.name;
  }
  EXPECT_EQ(GetH264FrameType(nullptr, 16), kNone);
}

}  // namespace
}  // namespace zeb::analysis::test
