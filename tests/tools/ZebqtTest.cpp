// zebqt as a person or a script at the terminal uses it: exit codes, output,
// and the bytes it reads compared with the ffmpeg tool's own reading.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/Shell.h"
#include "tests/tools/ZebqtRun.h"

namespace zeb::test {
namespace {

const std::string kMovie = DEFAULT_MOVIE;

TEST(Zebqt, CommandsAnswerWithTheirExitCodesAndTexts) {
  const std::string scratch = ::testing::TempDir();
  const std::string text = scratch + "zebqt-not-a-movie.txt";
  const std::string notAMovie = "plain text, not a movie\n";
  WriteFile(text, {reinterpret_cast<const uint8_t*>(notAMovie.data()), notAMovie.size()});
  const std::string locked = scratch + "zebqt-locked.mov";
  WriteFile(locked, ReadFile(kMovie));
  ::chmod(locked.c_str(), 0);
  const std::string soundOnly = scratch + "zebqt-sound-only.mov";
  ASSERT_EQ(Execute("ffmpeg -v error -y -i " + kMovie + " -map 0:a -c copy " + soundOnly).exitCode,
            0);

  struct Case {
    std::string arguments;
    int exit_code;
    std::string must_contain;
  };
  std::vector<Case> cases = {
      {"", 0, "read 60 frames"},
      {"", 0, "50 frames encoded and written, 50 decoded back"},
      {"demo --out=" + scratch + "zebqt-demo.mov", 0, "identical to the tone"},
      {"--help", 0, "usage: zebqt"},
      {"info --json", 0, "\"reader\",\"slots\":32,\"filled\":[400,"},
      {"probe --json " + kMovie, 0, "\"width\":320,\"height\":240"},
      {"probe --json " + kMovie, 0, "\"video_type\":20,"},
      {"probe --json " + kMovie, 0, "\"sub_type\":\"twos\",\"channels\":2"},
      {"probe " + kMovie, 0, "video_type          20 (H.264)\n"},
      {"frames --json " + kMovie, 0, "\"index\":59"},
      {"frames --read-ahead " + kMovie, 0, "60 frames"},
      {"atoms " + kMovie, 0, "\n          stsd @"},
      {"atoms " + text, 1, ": the walk stopped: "},
      {"probe /no/such/movie.mov", 1, "zebqt: /no/such/movie.mov: no such file (0x80000100)\n"},
      {"probe " + text, 1, text + ": not a QuickTime movie (0x80000100)\n"},
      {"probe " + scratch, 1, ": a folder, not a movie file (0x80000100)\n"},
      {"frames " + soundOnly, 1, soundOnly + ": no video track\n"},
      {"audio --stream=3 " + kMovie, 1, kMovie + ": no audio stream 3\n"},
      {"frobnicate", 2, "unknown command 'frobnicate'"},
      {"--plugin", 2, "--plugin needs a path"},
      {"--plugin /no/such/plugin.so info", 3, "cannot load plug-in"},
      {"settings", 2, "settings takes 'video' or 'audio'"},
      {"settings video --video avc", 2, "--video takes a four-character code"},
      {"--help", 0, "  5  the settings dialog was cancelled, or cannot be shown"},
  };
  // The super-user reads every file, locked or not.
  if (::geteuid() != 0) {
    cases.push_back({"probe " + locked, 1, "cannot read the file: Permission denied (0x80000100)"});
  }
  for (const Case& c : cases) {
    const auto run = Execute(kZebqt + " " + c.arguments);
    EXPECT_EQ(run.exitCode, c.exit_code) << c.arguments << "\n" << run.output;
    EXPECT_NE(run.output.find(c.must_contain), std::string::npos) << c.arguments << "\n"
                                                                  << run.output;
  }
  // Without a display the settings dialogs cannot be shown.
  for (const char* which : {"video", "audio"}) {
    const auto run = Execute("env -u DISPLAY -u WAYLAND_DISPLAY " + kZebqt + " settings " + which);
    EXPECT_EQ(run.exitCode, 5) << run.output;
    EXPECT_NE(run.output.find("the dialog cannot be shown"), std::string::npos) << run.output;
  }
  for (const std::string& path : {text, locked, soundOnly}) std::remove(path.c_str());
}

// Big-endian PCM comes out little-endian: the same bytes ffmpeg decodes.
TEST(Zebqt, AudioBytesEqualTheToolsDecode) {
  const std::string ours = std::string(::testing::TempDir()) + "zebqt-audio.raw";
  const std::string theirs = std::string(::testing::TempDir()) + "ffmpeg-audio.raw";
  ASSERT_EQ(Execute(kZebqt + " audio --out=" + ours + " " + kMovie).exitCode, 0);
  ASSERT_EQ(Execute("ffmpeg -v error -y -i " + kMovie + " -map 0:a -f s16le " + theirs).exitCode,
            0);
  const auto our_bytes = ReadFile(ours);
  EXPECT_EQ(our_bytes.size(), 384000u);
  EXPECT_TRUE(our_bytes == ReadFile(theirs));
}

}  // namespace
}  // namespace zeb::test
