// zebqt as a person or a script at the terminal uses it: exit codes, output,
// and the bytes it reads compared with the ffmpeg tool's own reading.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/Shell.h"

namespace {

using zeb::test::ReadFile;
using zeb::test::RunCommand;

// Standard output and errors together.
zeb::test::CommandResult Execute(const std::string& command) {
  return RunCommand(command + " 2>&1");
}

const std::string kZebqt = ZEBQT_PATH;
const std::string kMovie = DEFAULT_MOVIE;

TEST(Zebqt, CommandsAnswerWithTheirExitCodesAndTexts) {
  struct Case {
    std::string arguments;
    int exit_code;
    std::string must_contain;
  };
  const Case cases[] = {
      {"", 0, "read 60 frames"},
      {"--help", 0, "usage: zebqt"},
      {"info --json", 0, "\"reader\",\"slots\":32,\"filled\":[400,"},
      {"probe --json " + kMovie, 0, "\"width\":320,\"height\":240"},
      {"probe --json " + kMovie, 0, "\"sub_type\":\"twos\",\"channels\":2"},
      {"frames --json " + kMovie, 0, "\"index\":59"},
      {"frames --read-ahead " + kMovie, 0, "60 frames"},
      {"probe /no/such/movie.mov", 1, "cannot open /no/such/movie.mov: 0x80000100"},
      {"frobnicate", 2, "unknown command 'frobnicate'"},
      {"--plugin /no/such/plugin.so info", 1, "cannot load plug-in"},
      {"audio --stream=3 " + kMovie, 1, "no audio stream 3"},
  };
  for (const Case& c : cases) {
    const auto run = Execute(kZebqt + " " + c.arguments);
    EXPECT_EQ(run.exitCode, c.exit_code) << c.arguments << "\n" << run.output;
    EXPECT_NE(run.output.find(c.must_contain), std::string::npos) << c.arguments << "\n"
                                                                  << run.output;
  }
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
