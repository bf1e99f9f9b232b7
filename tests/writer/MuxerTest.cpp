// The muxer family through the plug-in's ordinal table: the stream check,
// open refusals, direct and aligned mode as the written movie shows them
// (sync flags, the audio cadence, what comes first, nothing lost at close).
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "platform/movie/FourCC.h"
#include "tests/host/LogCapture.h"
#include "tests/writer/WriterTestSupport.h"
#include "zebplug/ZEBPlugOrdinals.h"

namespace zeb::writer::test {
namespace {

using zeb::movie::FourCC;

SPlugMuxStreamCheck VideoCheck(uint32_t type, uint32_t subType, uint32_t colorFormat = 0) {
  SPlugMuxStreamCheck streams{};
  streams.videoPresent = 1;
  streams.video = VideoRecord(subType, 100, 100, 50, 1);
  streams.video.videoType = type;
  streams.video.aspectX = 4;
  streams.video.aspectY = 3;
  streams.video.fieldOrder = PLUG_FIELD_ORDER_TOP_FIRST_;
  streams.video.colorFormat = colorFormat;
  return streams;
}

SPlugMuxStreamCheck AudioCheck(uint32_t type, uint32_t subType, uint32_t channels, uint32_t bits) {
  SPlugMuxStreamCheck streams{};
  streams.audioCount = 1;
  streams.audio = AudioRecord(subType, channels, bits, 48000, type);
  return streams;
}

// PCM records as a capture host hands them in.
SPlugStreamInfo Pcm(uint32_t rate = 48000) {
  return StreamRecord(AudioRecord(0, 2, 16, rate, PLUG_AUDIO_TYPE_PCM_));
}
SPlugStreamInfo Video(uint32_t width, uint32_t height, uint32_t rateNum = 25,
                      uint32_t rateDen = 1) {
  return StreamRecord(VideoRecord(FourCC("mp4v"), width, height, rateNum, rateDen));
}

// The video record as the rows spell it: type, code, rate, size, aspect,
// field order and colour format.
std::string Described(const SPlugVideoStreamInfo& v) {
  return std::to_string(v.videoType) + " " + zeb::movie::FourCCToString(v.videoSubType) + " " +
         std::to_string(v.frameRateNum) + "/" + std::to_string(v.frameRateDen) + " " +
         std::to_string(v.width) + "x" + std::to_string(v.height) + " " +
         std::to_string(v.aspectX) + ":" + std::to_string(v.aspectY) + " field " +
         std::to_string(v.fieldOrder) + " colour " + std::to_string(v.colorFormat);
}

TEST(MuxerCheckStreams, RecordsAreRewrittenToWhatTheWriterCarries) {
  constexpr uint32_t kQt = PLUG_VIDEO_TYPE_QUICKTIME_, kPcm = PLUG_AUDIO_TYPE_PCM_;
  const struct {
    const char* what;
    SPlugMuxStreamCheck in;
    uint32_t result;
    const char* rewritten;  // video as Described() spells it, or the audio code
    const char* log = nullptr;
  } rows[] = {
      {"DV 525", VideoCheck(kQt, FourCC("dvc ")), 0,
       "13 dvc  30000/1001 720x480 4:3 field 0 colour 14"},
      {"DVCPRO HD 1080i50", VideoCheck(kQt, FourCC("dvh5")), 0,
       "13 dvh5 25/1 1440x1080 16:9 field 0 colour 14"},
      {"DVCPRO HD 720p", VideoCheck(kQt, FourCC("dvhp")), 0,
       "13 dvhp 50/1 960x720 16:9 field 2 colour 14"},
      {"MPEG-2 keeps 4:2:2", VideoCheck(PLUG_VIDEO_TYPE_MPEG2_, 0, PLUG_COLOR_FORMAT_YUV422P_), 0,
       "13 mpeg 50/1 100x100 4:3 field 0 colour 22"},
      {"MPEG-1 becomes 4:2:0", VideoCheck(PLUG_VIDEO_TYPE_MPEG1_, 0, PLUG_COLOR_FORMAT_UYVY_), 0,
       "13 mpeg 50/1 100x100 4:3 field 0 colour 23"},
      {"uncompressed keeps its pixels", VideoCheck(kQt, FourCC("2vuy"), 99), 0,
       "13 2vuy 50/1 100x100 4:3 field 0 colour 14"},
      {"unknown video", VideoCheck(kQt, FourCC("zzzz")), 0x80000207, ""},
      {"PCM 16", AudioCheck(kPcm, 0, 2, 16), 0, "sowt"},
      {"PCM 24", AudioCheck(kPcm, 0, 2, 24), 0, "in24"},
      {"little-endian PCM 16", AudioCheck(PLUG_AUDIO_TYPE_PCM_LE_, 0, 2, 16), 0, "twos"},
      {"three channels", AudioCheck(kPcm, 0, 3, 16), 0x80000208, "",
       "CMuxerForQuickTime--Audio Channel count must 1,2,4,8"},
      {"unknown audio", AudioCheck(PLUG_AUDIO_TYPE_QUICKTIME_, FourCC("zzzz"), 2, 16), 0x80000208,
       "", "CMuxerForQuickTime--Not Support Audio Foramt"},
  };
  TestPlugin plugin;
  const auto check = plugin.Get<PFN_MuxerCheckStreams>(ZEB_ORD_MuxerCheckStreams);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    SPlugMuxStreamCheck streams = row.in;
    LogCapture log;
    EXPECT_EQ(check(nullptr, &streams), row.result);
    if (*row.rewritten != '\0' && streams.videoPresent) {
      EXPECT_EQ(Described(streams.video), row.rewritten);
    } else if (*row.rewritten != '\0') {
      EXPECT_EQ(streams.audio.audioType, uint32_t{PLUG_AUDIO_TYPE_QUICKTIME_});
      EXPECT_EQ(zeb::movie::FourCCToString(streams.audio.audioSubType), row.rewritten);
    }
    if (row.log != nullptr) {
      EXPECT_EQ(log.Texts(), std::vector<std::string>{row.log});
    }
  }
  EXPECT_EQ(check(nullptr, nullptr), 0x80000004u);
}

TEST(MuxerOpen, RefusalsCreateNoMovie) {
  struct Row {
    const char* what;
    std::vector<SPlugStreamInfo> streams;
    uint32_t mode, result;
    const char* log;
  };
  const SPlugStreamInfo video = Video(320, 240);
  SPlugStreamInfo unknownVideo = video;
  unknownVideo.video.videoSubType = FourCC("zzzz");
  SPlugStreamInfo unknownAudio = Pcm();
  unknownAudio.audio.bitsPerSample = 12;
  const Row rows[] = {
      {"read while writing",
       {video},
       2,
       0x80000002,
       "CMuxerForQuickTime--Not support READ_WHILE_MODE"},
      {"append", {video}, 1, 0x80000002, "CMuxerForQuickTime--Not support APPEND MODE"},
      {"unknown video", {unknownVideo}, 0, 0x80000207, ""},
      {"unknown audio", {video, unknownAudio}, 0, 0x80000208, ""},
  };
  TestPlugin plugin;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string path = ScratchPath("refused.mov");
    std::filesystem::remove(path);
    LogCapture log;
    {
      HostMuxer muxer(plugin);
      EXPECT_EQ(muxer.Open(path, row.streams, 0, row.mode), row.result);
      if (*row.log != '\0') {
        EXPECT_EQ(log.Texts(), std::vector<std::string>{row.log});
      }
      EXPECT_EQ(muxer.WriteVideo(Pattern(10), PLUG_FRAME_COMPRESS_TYPE_I_), 0x80000108u);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  // Only one file target is taken.
  HostMuxer muxer(plugin);
  SPlugSourceDesc source{};
  source.kind = 1;
  SPlugMuxParam param{};
  for (const SPlugOpenParam& open : {SPlugOpenParam{2, &source}, SPlugOpenParam{1, &source}}) {
    EXPECT_EQ(muxer.OpenParam(&open, &param), 0x80000002u);
  }
  EXPECT_EQ(muxer.OpenParam(nullptr, &param), 0x80000004u);
}

// Video frames of `frames` × PCM at `rate`, written unit by unit in time
// order as a capture host delivers them.
struct AlignedRun {
  uint32_t rateNum, rateDen, sampleRate, frames;
  double audioShare = 1.0;  // how much of the video's time the audio covers
  uint32_t writerThreads = 0;
};

struct AlignedResult {
  std::vector<WrittenTrack> tracks;
  Bytes pcm;  // every byte given
};

AlignedResult WriteAligned(const AlignedRun& run, const std::string& name) {
  TestPlugin plugin;
  const std::string path = ScratchPath(name);
  AlignedResult result;
  {
    HostMuxer muxer(plugin);
    EXPECT_EQ(muxer.Open(path, {Video(64, 64, run.rateNum, run.rateDen), Pcm(run.sampleRate)},
                         run.writerThreads),
              0u);
    const uint64_t totalSamples = static_cast<uint64_t>(
        double(run.frames) * run.rateDen * run.sampleRate / run.rateNum * run.audioShare);
    uint64_t samplesGiven = 0;
    for (uint32_t i = 0; i < run.frames; ++i) {
      EXPECT_EQ(
          muxer.WriteVideo(Pattern(40, static_cast<uint8_t>(i)),
                           i % 12 == 0 ? PLUG_FRAME_COMPRESS_TYPE_I_ : PLUG_FRAME_COMPRESS_TYPE_P_),
          0u);
      // The audio up to the end of this frame, in blocks of any size.
      const uint64_t due = std::min<uint64_t>(
          totalSamples, uint64_t{i + 1} * run.rateDen * run.sampleRate / run.rateNum);
      if (due <= samplesGiven) continue;
      const Bytes block = Pattern((due - samplesGiven) * 4, static_cast<uint8_t>(samplesGiven));
      result.pcm.insert(result.pcm.end(), block.begin(), block.end());
      EXPECT_EQ(muxer.WriteAudio(block, static_cast<uint32_t>(due - samplesGiven)), 0u);
      samplesGiven = due;
    }
  }
  result.tracks = ReadWrittenMovie(path);
  return result;
}

TEST(MuxerAligned, AudioIsCutToTheFrameGridWithoutDrift) {
  struct Row {
    const char* what;
    AlignedRun run;
    std::vector<uint32_t> cycle;
  };
  const Row rows[] = {
      {"48 kHz at 25", {25, 1, 48000, 500}, {1920}},
      // Ten minutes at 29.97: whole cycles, so the audio ends exactly with the video.
      {"ten minutes at 29.97", {30000, 1001, 48000, 17980}, {1602, 1601, 1602, 1601, 1602}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const AlignedResult written = WriteAligned(row.run, "aligned.mov");
    ASSERT_EQ(written.tracks.size(), 2u);
    const WrittenTrack& video = written.tracks[0];
    const WrittenTrack& audio = written.tracks[1];
    ASSERT_EQ(video.samples.size(), row.run.frames);
    // Each chunk is one frame's audio, in the cadence, and the bytes are all there.
    ASSERT_EQ(audio.chunkSamples.size(), row.run.frames);
    for (size_t i = 0; i < audio.chunkSamples.size(); ++i) {
      ASSERT_EQ(audio.chunkSamples[i], row.cycle[i % row.cycle.size()]) << "chunk " << i;
    }
    EXPECT_EQ(audio.soundBytes, written.pcm);
    // audio samples written = video duration × rate, exactly
    EXPECT_EQ(audio.soundSamples * row.run.rateNum,
              uint64_t{row.run.frames} * row.run.rateDen * row.run.sampleRate);
    // The first unit in the file is a video frame.
    EXPECT_LT(video.firstDataOffset, audio.firstDataOffset);
  }
}

TEST(MuxerAligned, FramesBeyondTheEndOfTheAudioAreStillWritten) {
  const AlignedResult written = WriteAligned({25, 1, 48000, 50, 0.5}, "short_audio.mov");
  ASSERT_EQ(written.tracks.size(), 2u);
  EXPECT_EQ(written.tracks[0].samples.size(), 50u);
  EXPECT_EQ(written.tracks[1].soundBytes, written.pcm);
}

TEST(MuxerModes, SyncFlagsFollowTheFrameTypeOfEachMode) {
  const uint32_t types[] = {PLUG_FRAME_COMPRESS_TYPE_I_, PLUG_FRAME_COMPRESS_TYPE_P_,
                            PLUG_FRAME_COMPRESS_TYPE_B_, PLUG_FRAME_COMPRESS_TYPE_DECODED_,
                            PLUG_FRAME_COMPRESS_TYPE_IDR_};
  struct Row {
    const char* what;
    bool withPcm;  // PCM with video: aligned mode
    std::vector<bool> sync;
  };
  const Row rows[] = {
      {"direct", false, {true, false, false, false, false}},
      {"aligned", true, {true, false, false, true, true}},
  };
  TestPlugin plugin;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string path = ScratchPath("sync_flags.mov");
    {
      HostMuxer muxer(plugin);
      std::vector<SPlugStreamInfo> streams = {Video(64, 64)};
      if (row.withPcm) streams.push_back(Pcm());
      ASSERT_EQ(muxer.Open(path, streams), 0u);
      for (uint32_t type : types) ASSERT_EQ(muxer.WriteVideo(Pattern(30), type), 0u);
      if (row.withPcm) {
        ASSERT_EQ(muxer.WriteAudio(Pattern(1920 * 4 * 5), 1920 * 5), 0u);
      }
    }
    const std::vector<WrittenTrack> tracks = ReadWrittenMovie(path);
    ASSERT_FALSE(tracks.empty());
    std::vector<bool> sync;
    for (const WrittenSample& sample : tracks[0].samples) sync.push_back(sample.sync);
    EXPECT_EQ(sync, row.sync);
  }
}

// Aligned mode with the writer thread: every unit reaches the file. Direct
// mode's units take the same ring as CQTWriterThreads' units.
TEST(MuxerThreads, TheWriterThreadLosesNothingInAlignedMode) {
  const AlignedResult aligned =
      WriteAligned({30000, 1001, 48000, 300, 1.0, 1}, "threaded_aligned.mov");
  ASSERT_EQ(aligned.tracks.size(), 2u);
  EXPECT_EQ(aligned.tracks[0].samples.size(), 300u);
  EXPECT_EQ(aligned.tracks[1].soundBytes, aligned.pcm);
}

}  // namespace
}  // namespace zeb::writer::test
