// zebqt transcode: movies made by the ffmpeg tool go through the reader, the
// video decoder, the video encoder, the audio decoder (and encoder) and the
// muxer by ordinal; ffprobe must find the requested coding, size, frame
// count and sound, ffmpeg must decode
// the result without a message, and every picture must stay close to the
// tool's decode of the source.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/Ffprobe.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Shell.h"
#include "tests/tools/ZebqtRun.h"

namespace zeb::test {
namespace {

std::string Scratch(const std::string& name) { return zeb::test::Scratch("transcode", name); }

// The lowest per-frame PSNR (dB, over Y, U and V of 4:2:2 pictures) of
// `copy` against `source`, both decoded by the ffmpeg tool; -1 when the
// tool finds no frames to compare.
double LowestPsnr(const std::string& copy, const std::string& source) {
  const auto run = RunCommand(
      "ffmpeg -nostdin -i " + Quote(copy) + " -i " + Quote(source) +
      " -lavfi '[0:v]format=uyvy422[a];[1:v]format=uyvy422[b];[a][b]psnr' -f null - 2>&1");
  const size_t at = run.output.find(" min:");
  if (at == std::string::npos) return -1;
  return std::strtod(run.output.c_str() + at + 5, nullptr);
}

TEST(Transcode, OutputHasTheCodingSizeFramesAndSoundAsked) {
  struct Case {
    std::string fixture, options, tag;
    std::string sampleRate;  // "" for a source without sound
    std::string channels;
    std::string audioCodec;  // ffprobe's name of the written sound's coding
  };
  const std::vector<Case> cases = {
      // H.264 with B-frames and AAC: display order, the decoder's delay,
      // AAC decoded to PCM; mono AAC under the .mp4 entry's two channels
      // comes out as the record says, on both.
      {"avc1_aac.mp4", "--video apcn", "apcn", "44100", "2", "pcm_s16le"},
      // 29.97 frames a second: PCM aligned in the 1602/1601 cadence.
      {"mjpeg_pcm_ntsc.mov", "--video jpeg --quality 1000", "jpeg", "48000", "2", "pcm_s16le"},
      {"mjpeg_pcm_ntsc.mov", "--video avc1 --quality 900 --gop 5 --audio alac", "avc1", "48000",
       "2", "alac"},
      {"mjpeg_pcm_ntsc.mov", "--video=mp4v --gop=15 --audio=mp4a", "mp4v", "48000", "2", "aac"},
      {"prores.mov", "--video avc1 --bitrate 3000000", "avc1", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture + " " + c.options);
    const std::string source = Fixture(c.fixture);
    const std::string copy = Scratch(c.tag + "-" + c.fixture + ".mov");
    const auto run =
        Execute(kZebqt + " transcode " + Quote(source) + " " + Quote(copy) + " " + c.options);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("transcoded "), std::string::npos) << run.output;

    const auto theirs = ProbeStreamFields(source, "v:0");
    const auto ours = ProbeStreamFields(copy, "v:0");
    EXPECT_EQ(Field(ours, "codec_tag_string"), c.tag);
    EXPECT_EQ(Field(ours, "width"), Field(theirs, "width"));
    EXPECT_EQ(Field(ours, "height"), Field(theirs, "height"));
    EXPECT_EQ(Field(ours, "nb_frames"), Field(theirs, "nb_frames"));
    const auto sound = ProbeStreamFields(copy, "a:0");
    EXPECT_EQ(Field(sound, "sample_rate"), c.sampleRate);
    EXPECT_EQ(Field(sound, "channels"), c.channels);
    EXPECT_EQ(Field(sound, "codec_name"), c.audioCodec);

    const auto decode =
        RunCommand("ffmpeg -v error -nostdin -i " + Quote(copy) + " -f null - 2>&1");
    EXPECT_EQ(decode.exitCode, 0);
    EXPECT_EQ(decode.output, "");
    EXPECT_GE(LowestPsnr(copy, source), 35.0);
    ::unlink(copy.c_str());
  }
}

// A phone's movie whose first AAC packet decodes to no sound (as in the
// tool's decode): the sound's format is read off the next packet, and every
// packet that gives sound reaches the copy.
TEST(Transcode, FirstAacPacketWithoutSound) {
  const std::string source = CorpusDir() + "/androidx-media__sample_with_metadata.mp4";
  if (::access(source.c_str(), R_OK) != 0) GTEST_SKIP() << "no corpus movie " << source;
  const std::string copy = Scratch("silent-first-packet.mov");
  const auto run =
      Execute(kZebqt + " transcode " + Quote(source) + " " + Quote(copy) + " --video jpeg");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("45056 audio samples"), std::string::npos) << run.output;
  const auto sound = ProbeStreamFields(copy, "a:0");
  EXPECT_EQ(Field(sound, "codec_name"), "pcm_s16le");
  EXPECT_EQ(Field(sound, "channels"), "2");
  ::unlink(copy.c_str());
}

TEST(Transcode, RefusalsSayWhyWithTheirExitCodes) {
  const std::string source = Fixture("avc1_pcm.mov");
  const std::string copy = Scratch("refused.mov");
  struct Case {
    std::string arguments;
    int exitCode;
    std::string message;
  };
  const std::vector<Case> cases = {
      {Quote(source) + " " + copy + " --video zzzz", 2,
       "zebqt: the video encoder cannot code 'zzzz' at 160x120"},
      {"/no/such/movie.mov " + copy + " --video avc1", 1,
       "zebqt: /no/such/movie.mov: no such file (0x80000100)"},
      {Quote(source) + " " + copy, 2, "zebqt: transcode needs --video FOURCC"},
      {Quote(source) + " " + copy + " --video avc1 --quality 1024", 2,
       "--quality takes a number from 0 to 1023"},
      {Quote(source) + " " + copy + " --video avc1 --gop 0", 2, "--gop takes a number from 1 to"},
      {Quote(source) + " --video avc1", 2, "transcode needs IN and OUT"},
      {Quote(source) + " /no/such/folder/out.mov --video avc1", 4, "/no/such/folder/out.mov"},
      {Quote(source) + " " + copy + " --video avc1 --audio zzzz", 2,
       "zebqt: the audio encoder cannot code 'zzzz' from 1 channels of 16-bit PCM at 48000 Hz"},
      {Quote(source) + " " + copy + " --video avc1 --audio aac", 2,
       "--audio takes a four-character code"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const auto run = Execute(kZebqt + " transcode " + c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
  }
  ::unlink(copy.c_str());
}

}  // namespace
}  // namespace zeb::test
