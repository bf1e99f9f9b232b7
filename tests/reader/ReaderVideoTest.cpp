// Video stream records and frames of real movies, read through the ordinal
// table, checked field by field and byte for byte against ffprobe's view of
// the same files; the index checks, the key-frame walks and peeks. That a
// DVCPRO HD frame fits the buffer of the record's picture (1280 wide) while
// the description says 1920 is VideoEncoderRoundTripTest's, whose movies
// carry the writer's 1920-wide description. Read-ahead
// switched on and off while frames are read is ReaderRoadsTest's and
// FileReaderRingTest's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <numeric>

#include "tests/host/LogCapture.h"
#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/Ffprobe.h"
#include "zebplug/ZEBPlug.h"

namespace zeb::test {
namespace {

// "4:3" or "30000/1001" as a reduced pair.
std::pair<uint64_t, uint64_t> Ratio(const std::string& text) {
  const size_t cut = text.find_first_of(":/");
  uint64_t num = std::stoull(text.substr(0, cut));
  uint64_t den = std::stoull(text.substr(cut + 1));
  const uint64_t g = std::gcd(num, den);
  return {num / g, den / g};
}

std::pair<uint64_t, uint64_t> Ratio(uint32_t num, uint32_t den) {
  const uint64_t g = std::gcd<uint64_t>(num, den);
  return {num / g, den / g};
}

// The reader's group-of-pictures rule over ffprobe's key flags in decode
// order: the frames before the first key frame, or from it to the next.
uint32_t GopOf(const std::vector<ProbePacket>& packets) {
  uint32_t run = 0, best = 0;
  for (size_t i = 0; i < packets.size(); ++i, ++run) {
    if (!packets[i].key) continue;
    best = std::max(best, run);
    run = 0;
    if (best != 0) break;
  }
  return best;
}

struct VideoCase {
  const char* fixture;
  uint32_t videoType;
  uint32_t subType;  // 0: the codec tag itself
  uint32_t colorFormat, fieldOrder;
  bool measuredBitRate;            // the movie's data rate, not the stream header's
  bool streamAspect;               // the display ratio comes from the DV stream, not the movie
  uint32_t width = 0, height = 0;  // 0: ffprobe's; DVCPRO HD replaces the stored sizes
};

using ReaderVideo = PluginTest;

TEST_F(ReaderVideo, VideoRecordsAndFramesAgreeWithFfprobe) {
  const VideoCase cases[] = {
      {"avc1_bframes.mov", PLUG_VIDEO_TYPE_H264_, 100, 23, 2, true, false},
      {"avc1_aac.mp4", PLUG_VIDEO_TYPE_H264_, 100, 23, 2, true, false},
      {"avc1_1088.mov", PLUG_VIDEO_TYPE_H264_, 100, 23, 2, true, false},
      {"prores.mov", 13, 0, 14, 2, true, false},
      {"dvvideo.mov", 13, 0, 23, 1, false, true},
      {"dv_ntsc.mov", 13, 0, 24, 1, false, true},
      {"dv_hd_1080.mov", 13, 0, 13, 2, false, true, 1280, 1080},
      {"dv_hd_720.mov", 13, 0, 13, 2, false, true, 1280, 720},
      {"dnxhd.mov", PLUG_VIDEO_TYPE_DNXHD_, 29, 14, 2, true, false},
      {"dnxhd_1253.mov", PLUG_VIDEO_TYPE_DNXHD_, 10, 14, 2, true, false},
      {"dnxhd_1242.mov", PLUG_VIDEO_TYPE_DNXHD_, 1, 14, 0, true, false},
      {"mpeg2_xd5c.mov", 13, 0, 23, 2, false, false},
      {"mpeg2_mx5p.mov", 13, 0, 22, 2, false, false},
      {"mjpeg.mov", 13, 0, 1, 2, true, false},
      {"uyvy_2vuy.mov", 13, 0, 14, 2, true, false},
  };
  for (const VideoCase& c : cases) {
    SCOPED_TRACE(c.fixture);
    const std::string path = Fixture(c.fixture);
    const ProbeResult probe = ProbeFile(path, {"-ignore_editlist", "1"});
    ASSERT_TRUE(probe.ok) << probe.error;
    const auto fields = ProbeStreamFields(path, "v:0");
    const auto packets = probe.PacketsOf(0);

    HostReader reader(plugin_);
    ASSERT_EQ(reader.Open(path), 0u);
    EXPECT_EQ(reader.ProgramCount(), 1u);
    EXPECT_EQ(reader.VideoStreamCount(), 1u);
    EXPECT_EQ(reader.State(), 1u);
    SPlugStreamInfo info;
    std::memset(&info, 0xAB, sizeof(info));
    ASSERT_EQ(reader.VideoInfo(0, &info), 0u);
    const SPlugVideoStreamInfo& video = info.video;

    EXPECT_EQ(info.structVersion, 1u);
    EXPECT_EQ(info.containerType, 26u);
    EXPECT_EQ(info.streamId, 0u);
    EXPECT_EQ(info.streamType, 1u);
    EXPECT_EQ(info.fileSize, std::filesystem::file_size(path));
    EXPECT_EQ(info.frameCount, packets.size());
    EXPECT_EQ(video.size, sizeof(SPlugVideoStreamInfo));
    EXPECT_EQ(video.videoType, c.videoType);
    EXPECT_EQ(video.videoSubType,
              c.subType != 0 ? c.subType : Code(Field(fields, "codec_tag_string")));
    EXPECT_EQ(video.colorFormat, c.colorFormat);
    EXPECT_EQ(video.fieldOrder, c.fieldOrder);
    EXPECT_EQ(video.componentDepth, -1);
    EXPECT_EQ(video.gopSize, GopOf(packets));
    EXPECT_EQ(reader.MaxVideoFrameSize(), video.width * video.height * 4);

    EXPECT_EQ(video.width, c.width != 0 ? c.width : std::stoul(Field(fields, "width")));
    EXPECT_EQ(video.height, c.height != 0 ? c.height : std::stoul(Field(fields, "height")));
    EXPECT_EQ(Ratio(video.frameRateNum, video.frameRateDen), Ratio(Field(fields, "r_frame_rate")));
    const std::string dar = Field(fields, "display_aspect_ratio");
    if (!dar.empty() && dar != "N/A" && !c.streamAspect) {
      EXPECT_EQ(Ratio(video.aspectX, video.aspectY), Ratio(dar));
    }
    if (c.measuredBitRate) {
      const double expected = std::stod(Field(fields, "bit_rate"));
      EXPECT_NEAR(video.bitRate, expected, expected * 0.02);
    }

    // The private description: the image description's own bytes.
    ASSERT_EQ(info.privateKind, 5u);
    ASSERT_NE(info.privateAddress, nullptr);
    uint32_t size = 0, format = 0;
    std::memcpy(&size, info.privateAddress, 4);
    std::memcpy(&format, static_cast<const uint8_t*>(info.privateAddress) + 4, 4);
    EXPECT_EQ(info.privateSize, size);
    EXPECT_GE(size, 86u);
    EXPECT_EQ(format, Code(Field(fields, "codec_tag_string")));
    ExpectEveryFrame(reader, path, std::string(c.fixture).starts_with("avc1"), packets);
  }
}

// Index checks, and a reopen that releases the movie before: its video
// stream, frames and selection are gone.
TEST_F(ReaderVideo, IndexChecksSelectionAndReopen) {
  HostReader reader(plugin_);
  SPlugStreamInfo info;
  // Nothing open: no program.
  EXPECT_EQ(reader.ProgramCount(), 0u);
  EXPECT_EQ(reader.State(), 1u);
  EXPECT_EQ(reader.VideoInfo(0, &info), 0x80000006u);
  EXPECT_EQ(reader.Select(0, 0), 0x80000006u);
  ASSERT_EQ(reader.Open(Fixture("avc1_pcm.mov")), 0u);
  EXPECT_EQ(reader.VideoInfo(0, nullptr), 0u);
  EXPECT_EQ(reader.VideoInfo(1, &info), 0x80000006u);
  EXPECT_EQ(reader.VideoInfo(0, &info, 1), 0x80000006u);
  EXPECT_EQ(reader.AudioInfo(1, &info), 0x80000006u);
  EXPECT_EQ(reader.AudioInfo(0, nullptr), 0u);
  EXPECT_EQ(reader.Select(0, 1), 0x80000006u);
  EXPECT_EQ(reader.Select(1, 0), 0x80000006u);
  EXPECT_EQ(reader.Select(0, 0), 0u);
  // A movie without video takes no selection at all.
  ASSERT_EQ(reader.Open(Fixture("pcm_sowt.mov")), 0u);
  EXPECT_EQ(reader.VideoStreamCount(), 0u);
  EXPECT_EQ(reader.MaxVideoFrameSize(), 0u);
  EXPECT_EQ(reader.Select(0, 0), 0x80000006u);
  // With no frames every index reaches the movie's reader, which logs the range.
  LogCapture log;
  uint8_t* frame = nullptr;
  SPlugFrameInfo frameInfo = NewFrameInfo();
  frameInfo.dataSize = 7;
  EXPECT_EQ(reader.ReadShared(0, &frame, &frameInfo), 0x80000006u);
  EXPECT_EQ(reader.Read(5, frame, &frameInfo), 0x80000006u);
  EXPECT_EQ(frameInfo.dataSize, 0u);
  const auto texts = log.Texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Over Video Range"), 2);
  uint32_t options[PLUG_READ_OPTIONS_WORDS];
  EXPECT_EQ(reader.GetReadOptions(options), 0u);
  const uint32_t defaults[PLUG_READ_OPTIONS_WORDS] = {1, 1, 0, 0x100000, 0x20000080, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(options, defaults, sizeof(options)), 0);
  ASSERT_EQ(reader.Open(Fixture("prores.mov")), 0u);
  ASSERT_EQ(reader.VideoInfo(0, &info), 0u);
  EXPECT_EQ(info.video.videoSubType, Code("apcn"));
  EXPECT_EQ(reader.ReadShared(0, &frame, &frameInfo), 0u);
}

TEST_F(ReaderVideo, KeyFrameWalksAndPeeksKeepTheirPlace) {
  const std::string path = Fixture("avc1_bframes.mov");
  const auto packets = ProbeFile(path, {"-ignore_editlist", "1"}).PacketsOf(0);
  std::vector<uint32_t> keys;
  for (uint32_t i = 0; i < packets.size(); ++i) {
    if (packets[i].key) keys.push_back(i);
  }
  ASSERT_GE(keys.size(), 2u);
  HostReader reader(plugin_);
  ASSERT_EQ(reader.Open(path), 0u);
  const uint32_t last = uint32_t(packets.size() - 1);
  uint8_t* frame = nullptr;
  SPlugFrameInfo info = NewFrameInfo();

  // The reader's rule: the nearest key frame at or before the request whose
  // display position is not after it; frame 0 when there is none.
  const auto expectedWalk = [&](uint32_t from) -> uint64_t {
    for (uint32_t k = from; k > 0; --k) {
      const int64_t offset = (packets[k].pts - packets[k].dts) / packets[k].duration;
      if (packets[k].key && int64_t(k) + offset <= int64_t(from)) return k;
    }
    return 0;
  };
  for (const uint32_t from : {keys[1] + 3, keys[1] - 1, keys[1], 0u, last}) {
    SCOPED_TRACE(from);
    ASSERT_EQ(reader.ReadKeyFrameBefore(from, &frame, &info), 0u);
    EXPECT_EQ(info.decodePosition, expectedWalk(from));
    EXPECT_TRUE(info.frameType == 1 || info.frameType == 9 || info.decodePosition == 0);
    // The walk moved the current position to just after the key frame.
    SPlugFrameInfo current = NewFrameInfo();
    ASSERT_EQ(reader.ReadCurrentInfo(&current), 0u);
    EXPECT_EQ(current.decodePosition, expectedWalk(from) + 1);
  }

  ASSERT_EQ(reader.ReadShared(5, &frame, &info), 0u);
  ASSERT_EQ(reader.PeekKeyFrameBefore(keys[1] + 3, &info), 0u);
  EXPECT_EQ(info.decodePosition, expectedWalk(keys[1] + 3));
  ASSERT_EQ(reader.PeekNextReference(keys[1], &info), 0u);
  EXPECT_TRUE(info.frameType == 1 || info.frameType == 2 || info.frameType == 9);
  EXPECT_GT(info.decodePosition, keys[1]);
  EXPECT_EQ(reader.PeekNextReference(last, &info), 0x80000006u);
  // Peeks leave the position after frame 5.
  ASSERT_EQ(reader.ReadCurrent(&frame, &info), 0u);
  EXPECT_EQ(info.decodePosition, 6u);
  ASSERT_EQ(reader.ReadShared(last, &frame, &info), 0u);
  EXPECT_EQ(info.streamState, 2u);
  EXPECT_EQ(reader.ReadCurrentInfo(&info), 0x80000006u);
}

}  // namespace
}  // namespace zeb::test
