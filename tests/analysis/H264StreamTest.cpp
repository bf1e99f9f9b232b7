// The H.264 analyser plug-in and GetH264FrameType against ffprobe's reading of
// streams made by x264.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"
#include "tests/analysis/AnalysisTestSupport.h"
#include "tests/analysis/ExpectedRecord.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Shell.h"
#include "zebplug/ZEBPlugEnums.h"

namespace zeb::analysis::test {
namespace {

struct H264Case {
  const char* name;
  const char* fixture;
  bool openGop = false;     // later key frames are I pictures with a recovery point, not IDR
  uint32_t hrdBitRate = 0;  // x264's HRD rate, which ffprobe does not show; 0: none
};

const H264Case kH264Cases[] = {
    {"HighWithBFrames", "high_bf.h264"},
    {"OpenGop", "ft_open.h264", true},
    {"InterlacedFourSlices", "ft_slices.h264"},
    {"MainCroppedTo636x356", "main_crop.h264"},
    {"High444OddSize317x237", "high444_odd.h264"},
    {"BaselineSar16to15", "baseline_sar.h264"},
    {"Bt709At720Wide", "bt709_sd.h264"},
    {"Bt601At1280Wide", "bt601_hd.h264"},
    {"InterlacedTopFirstWide", "tff_wide.h264"},
    {"InterlacedBottomFirstHrd", "bff_hrd.h264", false, 1'000'000},
    {"InterlacedCroppedFieldPairs", "tff_crop.h264"},
    {"High10FullRange", "high10_pc.h264"},
    {"High422", "high422.h264"},
};

const std::map<std::string, uint32_t> kProfileIdcs = {{"Baseline", 66},
                                                      {"Constrained Baseline", 66},
                                                      {"Main", 77},
                                                      {"High", 100},
                                                      {"High 10", 110},
                                                      {"High 4:2:2", 122},
                                                      {"High 4:4:4 Predictive", 244}};

struct LoadedStream {
  std::vector<uint8_t> file;
  std::vector<zeb::test::ProbeFrame> frames;
};

LoadedStream Load(const H264Case& c) {
  const std::string path = zeb::test::Fixture(c.fixture);
  return {zeb::test::ReadFile(path), zeb::test::ProbeVideoFrames(path)};
}

// Feeds frames in decode order to a new analyser until it is done; returns
// the number of frames it took (0 when it never finished).
size_t Analyse(const LoadedStream& stream, SPlugVideoStreamInfo* info) {
  const H264Analyzer analyzer;
  for (size_t i = 0; i < stream.frames.size(); ++i) {
    if (analyzer.Feed(FrameBytes(stream.file, stream.frames[i]), info) == ZEB_ANALYSIS_COMPLETE) {
      return i + 1;
    }
  }
  return 0;
}

void PrintTo(const H264Case& testCase, std::ostream* out) { *out << testCase.name; }

class H264StreamTest : public ::testing::TestWithParam<H264Case> {};

TEST_P(H264StreamTest, FirstKeyFrameDescribesTheStreamAsFfprobeDoes) {
  const LoadedStream loaded = Load(GetParam());
  SPlugVideoStreamInfo info{};
  ASSERT_EQ(Analyse(loaded, &info), 1u);
  const auto stream = zeb::test::ProbeStreamFields(zeb::test::Fixture(GetParam().fixture), "v:0");
  ExpectRecordMatchesProbe(info, stream);
  EXPECT_EQ(info.videoType, uint32_t{PLUG_VIDEO_TYPE_H264_});
  EXPECT_EQ(info.videoSubType, kProfileIdcs.at(stream.at("profile")));
  EXPECT_EQ(info.componentDepth, std::stoi(stream.at("bits_per_raw_sample")));
  if (GetParam().hrdBitRate != 0) {
    EXPECT_EQ(info.bitRate, GetParam().hrdBitRate);
  }
}

TEST_P(H264StreamTest, EveryFrameTypeMatchesFfprobe) {
  const LoadedStream loaded = Load(GetParam());
  ASSERT_FALSE(loaded.frames.empty());
  int intraNonIdr = 0;
  for (size_t i = 0; i < loaded.frames.size(); ++i) {
    const zeb::test::ProbeFrame& frame = loaded.frames[i];
    const bool idr = frame.key && (!GetParam().openGop || i == 0);
    const uint32_t expected = frame.pictType == 'P'   ? PLUG_FRAME_COMPRESS_TYPE_P_
                              : frame.pictType == 'B' ? PLUG_FRAME_COMPRESS_TYPE_B_
                              : idr                   ? PLUG_FRAME_COMPRESS_TYPE_IDR_
                                                      : PLUG_FRAME_COMPRESS_TYPE_I_;
    const auto bytes = FrameBytes(loaded.file, frame);
    EXPECT_EQ(GetH264FrameType(bytes.data(), static_cast<uint32_t>(bytes.size())), expected)
        << "frame " << i << " at " << frame.pos << " (" << frame.pictType << ")";
    intraNonIdr += expected == PLUG_FRAME_COMPRESS_TYPE_I_;
  }
  EXPECT_EQ(intraNonIdr > 0, GetParam().openGop) << "non-IDR I frames come with open GOPs only";
}

INSTANTIATE_TEST_SUITE_P(X264, H264StreamTest, ::testing::ValuesIn(kH264Cases), kCaseName);

// Analysers share nothing: several threads describing different streams at
// once get exactly the records that one thread gets.
TEST(H264AnalyzerThreads, ConcurrentAnalysersMatchSerialOnes) {
  std::vector<LoadedStream> streams;
  std::vector<SPlugVideoStreamInfo> serial(std::size(kH264Cases));
  for (size_t i = 0; i < std::size(kH264Cases); ++i) {
    streams.push_back(Load(kH264Cases[i]));
    ASSERT_NE(Analyse(streams[i], &serial[i]), 0u);
  }
  constexpr int kThreads = 4, kRounds = 20;
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        for (size_t i = 0; i < streams.size(); ++i) {
          const size_t pick = (i + static_cast<size_t>(t)) % streams.size();
          SPlugVideoStreamInfo info{};
          Analyse(streams[pick], &info);
          if (std::memcmp(&info, &serial[pick], sizeof info) != 0) ++mismatches;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
}  // namespace zeb::analysis::test
