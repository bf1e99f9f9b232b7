// zebqt as a person or a script at the terminal uses it: exit codes, output,
// and the bytes it reads compared with the ffmpeg tool's own reading.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

struct Outcome {
  int exit_code;
  std::string out;  // stdout and stderr together
};

Outcome Execute(const std::string& command) {
  Outcome run{-1, {}};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) run.out.append(chunk, n);
  const int status = pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

const std::string kZebqt = ZEBQT_PATH;
const std::string kMovie = DEFAULT_MOVIE;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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
    const Outcome run = Execute(kZebqt + " " + c.arguments);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.arguments << "\n" << run.out;
    EXPECT_NE(run.out.find(c.must_contain), std::string::npos) << c.arguments << "\n" << run.out;
  }
}

// Big-endian PCM comes out little-endian: the same bytes ffmpeg decodes.
TEST(Zebqt, AudioBytesEqualTheToolsDecode) {
  const std::string ours = std::string(::testing::TempDir()) + "zebqt-audio.raw";
  const std::string theirs = std::string(::testing::TempDir()) + "ffmpeg-audio.raw";
  ASSERT_EQ(Execute(kZebqt + " audio --out=" + ours + " " + kMovie).exit_code, 0);
  ASSERT_EQ(Execute("ffmpeg -v error -y -i " + kMovie + " -map 0:a -f s16le " + theirs).exit_code,
            0);
  const std::string our_bytes = ReadFile(ours);
  EXPECT_EQ(our_bytes.size(), 384000u);
  EXPECT_TRUE(our_bytes == ReadFile(theirs));
}

}  // namespace
