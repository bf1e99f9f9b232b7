// Every refusal of the reader family: its result code and its log lines, on
// bad requests, unreadable or damaged files and a missing analyser plug-in.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/host/LogCapture.h"
#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/AtomWalk.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/Fixtures.h"
#include "zebplug/ZEBPlugOrdinals.h"

namespace zeb::test {
namespace {

namespace fs = std::filesystem;

// Offset of the n-th (0-based) occurrence of `text`.
size_t Find(const std::vector<uint8_t>& bytes, const std::string& text, int n = 0) {
  auto at = bytes.begin();
  for (int i = 0;; ++i) {
    at = std::search(at, bytes.end(), text.begin(), text.end());
    if (at == bytes.end() || i == n) break;
    ++at;
  }
  EXPECT_NE(at, bytes.end()) << text;
  return size_t(at - bytes.begin());
}

// A copy of a fixture with some bytes changed, beside the fixtures.
std::string PatchedCopy(const std::string& fixture, const std::string& name,
                        const std::function<void(std::vector<uint8_t>&)>& patch) {
  std::vector<uint8_t> bytes = ReadFile(Fixture(fixture));
  patch(bytes);
  return WriteScratchMovie(name, bytes);
}

class ReaderFailures : public testing::Test {
 protected:
  TestPlugin plugin_;
  LogCapture log_;
};

TEST_F(ReaderFailures, BadOpenRequestsAndPaths) {
  const std::string missing = FixtureDir() + "/no such movie.mov";
  const std::string text = FixtureDir() + "/not-a-movie.txt";
  std::ofstream(text) << "plain text, not a movie\n";
  // A path of exactly 255 units opens; one more unit is refused before the
  // media layer looks at it.
  const fs::path deep = fs::path(FixtureDir()) / "deep";
  const std::string base = deep.string() + "/";
  const std::string name255 = base + std::string(255 - base.size() - 4, 'a') + ".mov";
  const std::string name256 = base + std::string(256 - base.size() - 4, 'b') + ".mov";
  fs::create_directories(deep);
  for (const std::string& name : {name255, name256}) {
    fs::copy_file(Fixture("pcm_twos.mov"), name, fs::copy_options::overwrite_existing);
  }
  SPlugSourceDesc source{}, otherKind{};
  otherKind.kind = 1;
  const SPlugOpenParam twoSources{2, &source};
  const SPlugOpenParam fileOfOtherKind{1, &otherKind};

  struct Case {
    const char* name;
    std::function<uint32_t(HostReader&)> open;
    uint32_t result;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"two sources", [&](HostReader& r) { return r.OpenParam(&twoSources); }, 0x80000002, {}},
      {"not a file", [&](HostReader& r) { return r.OpenParam(&fileOfOtherKind); }, 0x80000002, {}},
      {"missing file",
       [&](HostReader& r) { return r.Open(missing); },
       0x80000100,
       {"CQuickTimeSpliter: CreateFile() of " + missing + " error\n"}},
      {"a folder",
       [&](HostReader& r) { return r.Open(FixtureDir()); },
       0x80000100,
       {"CQuickTimeSpliter: CreateFile() of " + FixtureDir() + " error\n"}},
      {"not a movie",
       [&](HostReader& r) { return r.Open(text); },
       0x80000100,
       {"OpenMovieFile() Error\n "}},
      {"255 units", [&](HostReader& r) { return r.Open(name255); }, 0, {}},
      {"256 units", [&](HostReader& r) { return r.Open(name256); }, 0x8000000B, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostReader reader(plugin_);
    log_.Clear();
    EXPECT_EQ(c.open(reader), c.result);
    std::vector<std::string> reported;
    for (const std::string& line : log_.Texts()) {
      if (line.find("CreateFile") != std::string::npos ||
          line.find("OpenMovieFile") != std::string::npos) {
        reported.push_back(line);
      }
    }
    EXPECT_EQ(reported, c.log);
    // A refused open leaves nothing to read.
    if (c.result != 0) {
      EXPECT_EQ(reader.VideoStreamCount(), 0u);
      EXPECT_EQ(reader.AudioStreamCount(), 0u);
    }
  }
}

TEST_F(ReaderFailures, DamagedMoviesGiveDefinedResults) {
  // The DNxHD compression id's low byte is the fourth after "0001" in 'ARES'.
  const std::string unknownDnxhd = PatchedCopy("dnxhd.mov", "dnxhd-unknown-id", [](auto& bytes) {
    bytes[Find(bytes, "ARES0001") + 11] = 212;
  });
  // The last video sample's size becomes 0.
  const std::string emptyFrame = PatchedCopy("prores.mov", "prores-empty-frame", [](auto& bytes) {
    const size_t stsz = Find(bytes, "stsz");
    const size_t count = BigEndian(bytes, stsz + 12);
    std::fill_n(bytes.begin() + long(stsz + 16 + 4 * (count - 1)), 4, 0);
  });
  // The second track's ID becomes 3, as after a deleted track.
  const std::string gapInIds = PatchedCopy("avc1_pcm.mov", "track-id-gap", [](auto& bytes) {
    const size_t tkhd = Find(bytes, "tkhd", 1);
    bytes[tkhd + (bytes[tkhd + 4] == 1 ? 27 : 19)] = 3;
  });

  HostReader reader(plugin_);
  EXPECT_EQ(reader.Open(unknownDnxhd), 0x80000302u);
  // DV stored as one reference for several frames: expanded, then read directly.
  log_.Clear();
  ASSERT_EQ(reader.Open(Fixture("dvvideo.mov")), 0u);
  EXPECT_TRUE(
      log_.Contains("QTReader--Not one Entry to one frame, Need Create new Video SampleRefs!"));
  EXPECT_TRUE(log_.Contains("QTReader--Direct Read File Mode!"));

  ASSERT_EQ(reader.Open(emptyFrame), 0u);
  SPlugStreamInfo info;
  ASSERT_EQ(reader.VideoInfo(0, &info), 0u);
  uint8_t* frame = nullptr;
  SPlugFrameInfo frameInfo = NewFrameInfo();
  EXPECT_EQ(reader.ReadShared(info.frameCount - 2, &frame, &frameInfo), 0u);
  EXPECT_EQ(reader.ReadShared(info.frameCount - 1, &frame, &frameInfo), 0x80000306u);

  log_.Clear();
  ASSERT_EQ(reader.Open(gapInIds), 0u);
  EXPECT_TRUE(log_.Contains("CQTReader::Open()--TrackIndex:2, TackID:3\n"));
  EXPECT_EQ(reader.AudioStreamCount(), 1u);
  for (const std::string& path : {unknownDnxhd, emptyFrame, gapInIds}) fs::remove(path);
}

// A movie with one broken track opens with its other tracks, which read as
// ffprobe reads them in the unbroken movie; the broken one is skipped with a
// log line.
TEST_F(ReaderFailures, BrokenTracksAreSkipped) {
  const std::vector<uint8_t> empty = {0, 0, 0, 0, 0, 0, 0, 0};  // version, flags, count 0
  const std::string stbl = "/mdia/minf/stbl/";
  struct Case {
    const char* name;
    const char* fixture;
    std::string atom;
    std::optional<std::vector<uint8_t>> payload;  // none: the atom goes
    uint32_t skipped;                             // the broken track's index
    uint32_t videoStreams;
    const char* audioStream;  // ffmpeg's stream of the good sound track, or null
  };
  const Case cases[] = {
      {"sound track without sample descriptions", "avc1_pcm.mov", "moov/trak[2]" + stbl + "stsd",
       empty, 2, 1, nullptr},
      {"sound track without 'stsd'", "avc1_pcm.mov", "moov/trak[2]" + stbl + "stsd", std::nullopt,
       2, 1, nullptr},
      {"sound track with an empty 'stsc'", "mjpeg_pcm_mixed_formats.mov",
       "moov/trak[3]" + stbl + "stsc", empty, 3, 1, "a:0"},
      {"video track with an empty 'stsc'", "avc1_pcm.mov", "moov/trak[1]" + stbl + "stsc", empty, 1,
       0, "a:0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string original = Fixture(c.fixture);
    const std::vector<uint8_t> broken = WithAtomPayload(ReadFile(original), c.atom, c.payload);
    ASSERT_FALSE(broken.empty());
    const std::string path = WriteScratchMovie("broken-track", broken);
    HostReader reader(plugin_);
    log_.Clear();
    ASSERT_EQ(reader.Open(path), 0u);
    const std::string skipped =
        "CQTReader::Open()--Track " + std::to_string(c.skipped) + " skipped: invalid: ";
    const auto texts = log_.Texts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [&](const std::string& text) { return text.rfind(skipped, 0) == 0; }));
    ASSERT_EQ(reader.VideoStreamCount(), c.videoStreams);
    ASSERT_EQ(reader.AudioStreamCount(), c.audioStream != nullptr ? 1u : 0u);
    if (c.videoStreams != 0) {
      const auto index = std::stoi(Field(ProbeStreamFields(original, "v:0"), "index"));
      const auto packets = ProbeFile(original, {"-ignore_editlist", "1"}).PacketsOf(index);
      ExpectEveryFrame(reader, original, std::string(c.fixture).starts_with("avc1"), packets);
    }
    if (c.audioStream != nullptr) {
      const std::string decoded = RunCommand("ffmpeg -v error -i " + Quote(original) +
                                             " -map 0:" + c.audioStream + " -f s16le -")
                                      .output;
      SPlugStreamInfo record;
      ASSERT_EQ(reader.AudioInfo(0, &record), 0u);
      ASSERT_FALSE(decoded.empty());
      EXPECT_TRUE(ReadAllAudio(reader, 0, 4096, false, decoded.size() / record.packetCount) ==
                  std::vector<uint8_t>(decoded.begin(), decoded.end()));
    }
    fs::remove(path);
  }
}

// A plug-in whose folder lacks the H.264 analyser still opens 'avc1' movies,
// but ends the open before it describes any stream.
TEST_F(ReaderFailures, Avc1WithoutTheAnalyserPlugIn) {
  const fs::path folder = fs::path(FixtureDir()) / ("no-analyser." + std::to_string(::getpid()));
  fs::create_directories(folder);
  const fs::path bin = fs::path(TestPlugin::Path()).parent_path();
  fs::copy_file(TestPlugin::Path(), folder / "libZEBPlugQuickTimeLibU.so",
                fs::copy_options::overwrite_existing);
  for (const char* sibling : {"libZEBSoftCodecSysU.so", "libZEBProxyCodecU.so"}) {
    if (!fs::exists(folder / sibling)) fs::create_symlink(bin / sibling, folder / sibling);
  }
  // Resident, as TestPlugin loads the plug-in (libavutil's load-time memory).
  void* module = dlopen((folder / "libZEBPlugQuickTimeLibU.so").c_str(),
                        RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  ASSERT_NE(module, nullptr) << dlerror();
  const auto lookup =
      reinterpret_cast<PFN_ZEBPlugGetProcByOrdinal>(dlsym(module, "ZEBPlugGetProcByOrdinal"));
  const auto create = reinterpret_cast<PFN_CreateReader>(lookup(ZEB_ORD_CreateReader));
  const auto open = reinterpret_cast<PFN_OpenReader>(lookup(ZEB_ORD_OpenReader));
  const auto videoCount =
      reinterpret_cast<PFN_GetVideoStreamCount>(lookup(ZEB_ORD_GetVideoStreamCount));
  const auto audioCount =
      reinterpret_cast<PFN_GetAudioStreamCount>(lookup(ZEB_ORD_GetAudioStreamCount));
  const auto destroy = reinterpret_cast<PFN_DestroyReader>(lookup(ZEB_ORD_DestroyReader));

  void* reader = create();
  const OpenRequest request(Fixture("avc1_pcm.mov"));
  EXPECT_EQ(open(reader, &request.param, 0, 0), 0u);
  EXPECT_TRUE(log_.Contains("Creat H264Analyzer Error，can get H264 videinfo from H264Dec Plug!"));
  EXPECT_EQ(videoCount(reader, 0), 0u);
  EXPECT_EQ(audioCount(reader, 0), 0u);
  EXPECT_EQ(destroy(reader), 0u);
  EXPECT_EQ(destroy(nullptr), 0u);
  dlclose(module);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace zeb::test
