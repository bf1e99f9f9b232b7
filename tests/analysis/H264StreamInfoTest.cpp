// The H.264 analyser plug-in, loaded with dlopen like the reader loads it,
// against ffprobe's reading of streams made by x264.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <numeric>
#include <thread>

#include "tests/analysis/AnalysisTestSupport.h"
#include "tests/analysis/ExpectedRecord.h"
#include "zebplug/ZEBPlugEnums.h"

namespace zeb::analysis::test {
namespace {

struct H264Case {
  const char* name;
  FixtureRecipe recipe;
  // What x264's HRD carries (ffprobe does not show it).
  std::optional<uint32_t> hrdBitRate = std::nullopt;
};

const H264Case kH264Cases[] = {
    {"HighWithBFrames", {"high_bf.h264", "320x240", "25", 12,
      "-c:v libx264 -profile:v high -bf 2 -x264-params keyint=6:scenecut=0"}},
    {"MainCroppedTo636x356", {"main_crop.h264", "640x360", "25", 4,
      "-vf crop=636:356:0:0 -c:v libx264 -profile:v main"}},
    {"High444OddSize317x237", {"high444_odd.h264", "320x240", "25", 4,
      "-vf crop=317:237:0:0 -pix_fmt yuv444p -c:v libx264"}},
    {"BaselineSar16to15", {"baseline_sar.h264", "720x576", "25", 4,
      "-vf setsar=16/15 -c:v libx264 -profile:v baseline"}},
    {"Bt709At720Wide", {"bt709_sd.h264", "720x576", "25", 3,
      "-c:v libx264 -color_primaries bt709 -color_trc bt709 -colorspace bt709"}},
    {"Bt601At1280Wide", {"bt601_hd.h264", "1280x720", "50", 3,
      "-c:v libx264 -color_primaries bt470bg -color_trc smpte170m -colorspace smpte170m"}},
    {"InterlacedTopFirstWide", {"tff_wide.h264", "720x576", "25", 8,
      "-vf setsar=64/45 -flags +ildct+ilme -c:v libx264 -x264-params tff=1:keyint=4:scenecut=0"}},
    {"InterlacedBottomFirstHrd", {"bff_hrd.h264", "720x480", "30000/1001", 6,
      "-flags +ildct+ilme -c:v libx264 -b:v 1M -maxrate 1M -bufsize 2M "
      "-x264-params bff=1:nal-hrd=vbr"}, 1'000'000},
    {"InterlacedCroppedFieldPairs", {"tff_crop.h264", "640x360", "25", 4,
      "-flags +ildct+ilme -c:v libx264 -x264-params tff=1"}},
    {"High10FullRange", {"high10_pc.h264", "320x240", "24000/1001", 3,
      "-pix_fmt yuv420p10le -color_range pc -c:v libx264"}},
    {"High422", {"high422.h264", "352x288", "25", 3, "-pix_fmt yuv422p -c:v libx264"}},
};

void PrintTo(const H264Case& testCase, std::ostream* out) { *out << testCase.name; }

class H264StreamInfoTest : public ::testing::TestWithParam<H264Case> {
 protected:
  H264AnalyzerPlugin plugin_;
};

struct LoadedStream {
  std::vector<uint8_t> file;
  std::vector<ProbedFrame> frames;
};

LoadedStream Load(const std::string& path) { return {ReadFileBytes(path), ProbeFrames(path)}; }

// Feeds frames in decode order until the analyser is done; returns the
// number of frames it took (0 when it never finished).
size_t Analyse(const H264AnalyzerPlugin& plugin, const LoadedStream& stream,
               SPlugVideoStreamInfo* info) {
  void* analyzer = plugin.create_(0);
  size_t used = 0;
  for (size_t i = 0; i < stream.frames.size() && used == 0; ++i) {
    const auto bytes = FrameBytes(stream.file, stream.frames[i]);
    if (plugin.analyse_(analyzer, info, bytes.data(), static_cast<uint32_t>(bytes.size())) ==
        ZEB_ANALYSIS_COMPLETE) {
      used = i + 1;
    }
  }
  plugin.destroy_(analyzer);
  return used;
}

TEST_P(H264StreamInfoTest, FirstKeyFrameDescribesTheStreamAsFfprobeDoes) {
  ASSERT_TRUE(plugin_.Loaded()) << H264AnalyzerPlugin::Path();
  const std::string path = MakeFixture(GetParam().recipe);
  SPlugVideoStreamInfo info{};
  ASSERT_EQ(Analyse(plugin_, Load(path), &info), 1u);

  const auto stream = ProbeStream(path);
  ExpectRecordMatchesProbe(info, stream);
  EXPECT_EQ(info.videoType, uint32_t{PLUG_VIDEO_TYPE_H264_});
  EXPECT_EQ(info.videoSubType, H264ProfileIdc(stream.at("profile")));
  EXPECT_EQ(info.componentDepth, std::stoi(stream.at("bits_per_raw_sample")));
  if (GetParam().hrdBitRate) {
    EXPECT_EQ(info.bitRate, *GetParam().hrdBitRate);
  }
}

INSTANTIATE_TEST_SUITE_P(X264, H264StreamInfoTest, ::testing::ValuesIn(kH264Cases),
                         [](const auto& info) { return std::string(info.param.name); });

// Analysers share nothing: several threads describing different streams at
// once get exactly the records that one thread gets.
TEST(H264AnalyzerThreads, ConcurrentAnalysersMatchSerialOnes) {
  H264AnalyzerPlugin plugin;
  ASSERT_TRUE(plugin.Loaded());
  std::vector<LoadedStream> streams;
  std::vector<SPlugVideoStreamInfo> serial(std::size(kH264Cases));
  for (size_t i = 0; i < std::size(kH264Cases); ++i) {
    streams.push_back(Load(MakeFixture(kH264Cases[i].recipe)));
    ASSERT_NE(Analyse(plugin, streams[i], &serial[i]), 0u);
  }
  constexpr int kThreads = 4;
  constexpr int kRounds = 20;
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        for (size_t i = 0; i < streams.size(); ++i) {
          const size_t pick = (i + static_cast<size_t>(t)) % streams.size();
          SPlugVideoStreamInfo info{};
          Analyse(plugin, streams[pick], &info);
          if (std::memcmp(&info, &serial[pick], sizeof info) != 0) ++mismatches;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
}

// A host that resolves the plug-in by name must find exactly its four
// functions and nothing of the parsers it is built from.
TEST(H264AnalyzerPluginExports, ExactlyTheFourAnalyserFunctions) {
  const std::string command =
      "nm -D --defined-only '" + H264AnalyzerPlugin::Path() + "' | awk '{print $3}' | sort";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string names;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) names += buffer;
  ASSERT_EQ(pclose(pipe), 0);
  EXPECT_EQ(names,
            "CreateH264Analyzer\nDestroyH264Analyzer\nGetH264VideoStreamInfo\nResetH264Analyzer\n");
}

}  // namespace
}  // namespace zeb::analysis::test
