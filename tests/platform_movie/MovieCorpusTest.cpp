// Every real-world file of the corpus opens or fails with an error (never a
// crash or a hang), and where ffprobe reads a file our samples agree with its
// packets (see ProbeComparison.h for what "agree" means).
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/platform_movie/ProbeComparison.h"
#include "tests/support/Fixtures.h"

namespace zeb::movie::test {
namespace {

std::vector<std::filesystem::path> CorpusFiles() {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path dir = zeb::test::CorpusDir();
  if (!std::filesystem::is_directory(dir)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string extension = entry.path().extension().string();
    if (entry.is_regular_file() && extension != ".md" && extension != ".tsv")
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(MovieCorpusTest, EveryFileOpensOrFailsAndAgreesWithFfprobe) {
  const std::vector<std::filesystem::path> files = CorpusFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus at " << zeb::test::CorpusDir();
  int opened = 0;
  for (const std::filesystem::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    std::unique_ptr<Movie> movie;
    const Status status = Movie::Open(file.string(), movie);
    if (!status.IsOk()) {
      EXPECT_NE(status.Err(), kNoErr);
      EXPECT_FALSE(status.Message().empty());
      continue;
    }
    ++opened;
    const zeb::test::ProbeResult probe = ProbeIgnoringEdits(file.string());
    if (!probe.ok) continue;
    for (const std::string& difference : CompareWithProbe(*movie, probe))
      ADD_FAILURE() << difference;
  }
  EXPECT_GT(opened, static_cast<int>(files.size()) / 2);
}

}  // namespace
}  // namespace zeb::movie::test
