// GetMpegVideoInfo and GetMpegVideoRef against ffprobe's reading of streams
// made by ffmpeg's MPEG-1 and MPEG-2 encoders, and on byte-built frames.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"
#include "tests/analysis/AnalysisTestSupport.h"
#include "tests/analysis/ExpectedRecord.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Shell.h"
#include "zebplug/ZEBPlugEnums.h"

namespace zeb::analysis::test {
namespace {

struct MpegCase {
  const char* name;
  const char* fixture;
  uint32_t videoType;
};

const MpegCase kMpegCases[] = {
    {"Mpeg2TopFirstWideBt709", "m2_tff.m2v", 2}, {"Mpeg2BottomFirstNtsc", "m2_bff.m2v", 2},
    {"Mpeg2Progressive422Hd", "m2_422.m2v", 2},  {"Mpeg2Film720p", "m2_film.m2v", 2},
    {"Mpeg1WideSif", "m1_wide.m1v", 1},
};

void PrintTo(const MpegCase& testCase, std::ostream* out) { *out << testCase.name; }

class MpegStreamTest : public ::testing::TestWithParam<MpegCase> {};

TEST_P(MpegStreamTest, FramesDescribeTheStreamAndPicturesAsFfprobeDoes) {
  const std::string path = zeb::test::Fixture(GetParam().fixture);
  const auto file = zeb::test::ReadFile(path);
  const auto frames = zeb::test::ProbeVideoFrames(path);
  ASSERT_FALSE(frames.empty());
  const auto first = FrameBytes(file, frames[0]);
  SPlugVideoStreamInfo info{};
  ASSERT_EQ(GetMpegVideoInfo(first.data(), static_cast<uint32_t>(first.size()), &info), kComplete);
  const auto stream = zeb::test::ProbeStreamFields(path, "v:0");
  ExpectRecordMatchesProbe(info, stream);
  EXPECT_EQ(info.videoType, GetParam().videoType);
  EXPECT_EQ(info.componentDepth, 8);
  if (GetParam().videoType == PLUG_VIDEO_TYPE_MPEG1_) {
    EXPECT_EQ(info.fieldOrder, kProgressive);
    EXPECT_EQ(info.bitRate, 0u) << "ffmpeg writes MPEG-1's variable-rate marker";
  } else {
    EXPECT_EQ(std::to_string(info.bitRate), stream.at("max_bitrate"));
  }

  const std::map<char, uint32_t> types = {{'I', PLUG_FRAME_COMPRESS_TYPE_I_},
                                          {'P', PLUG_FRAME_COMPRESS_TYPE_P_},
                                          {'B', PLUG_FRAME_COMPRESS_TYPE_B_}};
  for (size_t i = 0; i < frames.size(); ++i) {
    const auto bytes = FrameBytes(file, frames[i]);
    MpegVideoInfo picture{};
    ASSERT_EQ(GetMpegVideoRef(bytes.data(), static_cast<uint32_t>(bytes.size()), &picture),
              kComplete);
    EXPECT_EQ(picture.pictureType, types.at(frames[i].pictType)) << "frame " << i;
    EXPECT_TRUE(i != 0 || picture.sequenceHeader != 0) << "the first frame opens a sequence";
  }
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, MpegStreamTest, ::testing::ValuesIn(kMpegCases), kCaseName);

// Byte-built MPEG-2 headers (ISO/IEC 13818-2 6.2).
struct Sequence {
  uint32_t width = 720, height = 576, aspectCode = 2, frameRateCode = 3, bitRateValue = 12500;
};

std::vector<uint8_t> SequenceHeader(const Sequence& s) {
  BitWriter w;
  w.Bits(s.width & 0xFFF, 12).Bits(s.height & 0xFFF, 12).Bits(s.aspectCode, 4);
  w.Bits(s.frameRateCode, 4).Bits(s.bitRateValue & 0x3FFFF, 18).Bits(1, 1).Bits(112, 10);
  return w.Bits(0, 3).MpegUnit(0xB3);
}

struct SequenceExtension {
  bool progressive = false;
  uint32_t widthExtension = 0, bitRateExtension = 0, rateN = 0, rateD = 0;
};

std::vector<uint8_t> Extension(const SequenceExtension& e) {
  BitWriter w;
  w.Bits(1, 4).Bits(0x48, 8).Flag(e.progressive).Bits(1, 2);  // 4:2:0
  w.Bits(e.widthExtension, 2).Bits(0, 2).Bits(e.bitRateExtension, 12).Bits(1, 1).Bits(0, 9);
  return w.Bits(e.rateN, 2).Bits(e.rateD, 5).MpegUnit(0xB5);
}

std::vector<uint8_t> DisplayExtension(uint32_t displayWidth, uint32_t displayHeight) {
  BitWriter w;
  w.Bits(2, 4).Bits(1, 3).Flag(true).Bits(0x010101, 24);
  return w.Bits(displayWidth, 14).Bits(1, 1).Bits(displayHeight, 14).MpegUnit(0xB5);
}

std::vector<uint8_t> Group(bool closed, bool brokenLink) {
  return BitWriter().Bits(0x8, 25).Flag(closed).Flag(brokenLink).MpegUnit(0xB8);
}

std::vector<uint8_t> Picture(uint32_t temporalReference, uint32_t codingType) {
  return BitWriter().Bits(temporalReference, 10).Bits(codingType, 3).Bits(0xFFFF, 16).MpegUnit(0);
}

struct Coding {
  uint32_t structure = 3;
  bool topFieldFirst = true, repeatFirstField = false, progressiveFrame = false;
};

std::vector<uint8_t> PictureCoding(const Coding& c) {
  BitWriter w;
  w.Bits(8, 4).Bits(0xFFFF, 16).Bits(0, 2).Bits(c.structure, 2).Flag(c.topFieldFirst).Bits(0, 6);
  w.Flag(c.repeatFirstField).Flag(false).Flag(c.progressiveFrame).Flag(false);
  return w.MpegUnit(0xB5);
}

const std::vector<uint8_t> kSlice = {0, 0, 1, 0x01, 0x12, 0x34, 0x50};

// What GetMpegVideoInfo writes; the defaults are those of the default headers.
struct Described {
  uint32_t width = 720, height = 576;
  std::pair<uint32_t, uint32_t> aspect = {4, 3};
  std::pair<uint32_t, uint32_t> frameRate = {25, 1};
  uint32_t fieldOrder = kTop, bitRate = 5'000'000;
};

TEST(MpegFrameTest, HeadersOfOneFrameFillTheRecord) {
  const struct {
    const char* name;
    std::vector<uint8_t> frame;
    uint32_t status;
    std::optional<Described> record;  // none: the record stays as it was
  } cases[] = {
      {"PanScanDisplaySizeKeepsTheCodedRatio",
       Join({SequenceHeader({.aspectCode = 3}), Extension({}), DisplayExtension(540, 576),
             Picture(0, 1), PictureCoding({}), kSlice}),
       kComplete, Described{.aspect = {16, 9}}},
      {"SizeAndBitRateExtensions",
       Join({SequenceHeader({.width = 4200, .height = 2200, .bitRateValue = 1}),
             Extension({.progressive = true, .widthExtension = 1, .bitRateExtension = 1}),
             Picture(0, 1), PictureCoding({.progressiveFrame = true})}),
       kComplete,
       Described{
           .width = 4200, .height = 2200, .fieldOrder = kProgressive, .bitRate = 104'858'000}},
      {"FrameRateExtensionDoubles",
       Join({SequenceHeader({}), Extension({.progressive = true, .rateN = 1}), Group(true, false)}),
       kComplete, Described{.frameRate = {50, 1}, .fieldOrder = kProgressive}},
      {"BottomFieldPictureFirst",
       Join({SequenceHeader({}), Extension({}), Picture(0, 1), PictureCoding({.structure = 2}),
             kSlice}),
       kComplete, Described{.fieldOrder = kBottom}},
      {"ProgressiveFrameOfInterlacedSequence",
       Join({SequenceHeader({}), Extension({}), Picture(0, 1),
             PictureCoding({.topFieldFirst = false, .progressiveFrame = true}), kSlice}),
       kComplete, Described{.fieldOrder = kProgressive}},
      {"InterlacedSequenceWithoutPictureNeedsMore",
       Join({SequenceHeader({}), Extension({}), Group(true, false)}), kNeedMore, Described{}},
      {"Mpeg1VariableRateMarker",
       Join({SequenceHeader({.aspectCode = 1, .bitRateValue = 0x3FFFF}), Picture(0, 1), kSlice}),
       kComplete, Described{.aspect = {5, 4}, .fieldOrder = kProgressive, .bitRate = 0}},
      {"PictureOnly", Join({Picture(3, 2), PictureCoding({}), kSlice}), kNeedMore, std::nullopt},
      {"SequenceHeaderEndingTheBytes", SequenceHeader({}), kNeedMore, std::nullopt},
      {"ForbiddenFrameRateCode", SequenceHeader({.frameRateCode = 0}), kInvalid, std::nullopt},
      {"ZeroWidth", Join({SequenceHeader({.width = 0}), Picture(0, 1)}), kInvalid, std::nullopt},
      {"NoStartCode", std::vector<uint8_t>(100, 0xB3), kInvalid, std::nullopt},
  };
  for (const auto& c : cases) {
    SPlugVideoStreamInfo info{};
    EXPECT_EQ(GetMpegVideoInfo(c.frame.data(), static_cast<uint32_t>(c.frame.size()), &info),
              c.status)
        << c.name;
    if (!c.record) {
      const SPlugVideoStreamInfo untouched{};
      EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0) << c.name;
      continue;
    }
    EXPECT_EQ(std::make_pair(info.width, info.height),
              std::make_pair(c.record->width, c.record->height))
        << c.name;
    EXPECT_EQ(std::make_pair(info.aspectX, info.aspectY), c.record->aspect) << c.name;
    EXPECT_EQ(std::make_pair(info.frameRateNum, info.frameRateDen), c.record->frameRate) << c.name;
    EXPECT_EQ(info.fieldOrder, c.record->fieldOrder) << c.name;
    EXPECT_EQ(info.bitRate, c.record->bitRate) << c.name;
  }
}

TEST(MpegFrameTest, PictureReferenceOfTheFirstPicture) {
  const struct {
    const char* name;
    std::vector<uint8_t> frame;
    MpegVideoInfo expected;
  } cases[] = {
      {"ClosedGopIntraWithSequence",
       Join({SequenceHeader({}), Extension({}), Group(true, false), Picture(2, 1),
             PictureCoding({.topFieldFirst = true}), kSlice}),
       {1, 2, 3, 1, 0, 0, 1, 1, 1, 0}},
      {"BrokenLinkBottomFieldP",
       Join({Group(false, true), Picture(517, 2),
             PictureCoding({.structure = 2, .topFieldFirst = false}), kSlice}),
       {2, 517, 2, 0, 0, 0, 0, 1, 0, 1}},
      {"RepeatedFieldB",
       Join({Picture(1023, 3), PictureCoding({.repeatFirstField = true, .progressiveFrame = true}),
             kSlice, Picture(5, 1)}),
       {3, 1023, 3, 1, 1, 1, 0, 0, 0, 0}},
      {"Mpeg1DcOnlyPictureIsIntra", Join({Picture(7, 4), kSlice}), {1, 7, 3, 0, 0, 1, 0, 0, 0, 0}},
      {"NoPicture", Join({SequenceHeader({}), Extension({})}), {2, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"ForbiddenCodingType", Join({Picture(1, 0), kSlice}), {2, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    MpegVideoInfo info;
    std::memset(&info, 0xEE, sizeof info);
    const uint32_t status =
        GetMpegVideoRef(c.frame.data(), static_cast<uint32_t>(c.frame.size()), &info);
    EXPECT_EQ(status,
              c.expected.temporalReference || c.expected.pictureStructure ? kComplete : kInvalid)
        << c.name;
    EXPECT_EQ(std::memcmp(&info, &c.expected, sizeof info), 0) << c.name;
  }
}

}  // namespace
}  // namespace zeb::analysis::test
