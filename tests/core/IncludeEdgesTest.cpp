// Every `#include "..."` of the project's own folders against the allowed
// edges that docs/architecture.md lists: a folder includes its own headers
// and those of the folders its row names, nothing else.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = ZEB_SOURCE_DIR;

// Rows "| `folder` | `a`, `b` |" of the section that holds the allowed edges.
std::map<std::string, std::set<std::string>> AllowedEdges() {
  std::ifstream doc(kRoot / "docs/architecture.md");
  const std::regex row(R"(^\| `([a-z]+)` \|(.*)\|\s*$)");
  const std::regex name("`([a-z]+)`");
  std::map<std::string, std::set<std::string>> edges;
  bool inSection = false;
  for (std::string line; std::getline(doc, line);) {
    if (line.starts_with("## ")) inSection = line == "## Include edges";
    std::smatch match;
    if (!inSection || !std::regex_match(line, match, row)) continue;
    std::set<std::string>& allowed = edges[match[1]];
    const std::string targets = match[2];
    for (std::sregex_iterator it(targets.begin(), targets.end(), name), end; it != end; ++it) {
      allowed.insert((*it)[1]);
    }
  }
  return edges;
}

std::string TopFolder(const fs::path& path) {
  return fs::relative(fs::weakly_canonical(path), fs::weakly_canonical(kRoot)).begin()->string();
}

// The folder an include lands in: from the project root, from include/,
// next to the includer, or, for a name found only through an include
// directory, the one folder that holds a file of that path.
std::string Resolve(const std::string& include, const fs::path& includer,
                    const std::vector<fs::path>& sources) {
  for (const fs::path& candidate :
       {kRoot / include, kRoot / "include" / include, includer.parent_path() / include}) {
    if (fs::exists(candidate)) return TopFolder(candidate);
  }
  std::set<std::string> folders;
  for (const fs::path& source : sources) {
    if (source.generic_string().ends_with("/" + include)) folders.insert(TopFolder(source));
  }
  return folders.size() == 1 ? *folders.begin() : "(unresolved)";
}

TEST(IncludeEdges, EveryIncludeOfTheProjectsFoldersIsAnAllowedEdge) {
  const auto edges = AllowedEdges();
  ASSERT_FALSE(edges.empty()) << "no include-edge table in docs/architecture.md";
  std::vector<fs::path> sources;
  for (const auto& [folder, allowed] : edges) {
    if (!fs::exists(kRoot / folder)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(kRoot / folder)) {
      const std::string ext = entry.path().extension().string();
      if (ext == ".h" || ext == ".cpp" || ext == ".c") sources.push_back(entry.path());
    }
  }
  const std::regex includeLine(R"re(^\s*#\s*include\s*"([^"]+)")re");
  size_t checked = 0;
  for (const fs::path& source : sources) {
    const std::string from = TopFolder(source);
    std::ifstream file(source);
    for (std::string line; std::getline(file, line);) {
      std::smatch match;
      if (!std::regex_search(line, match, includeLine)) continue;
      const std::string to = Resolve(match[1], source, sources);
      ++checked;
      EXPECT_TRUE(to == from || edges.at(from).contains(to))
          << fs::relative(source, kRoot).string() << " includes \"" << match[1] << "\" (" << from
          << " -> " << to << ")";
    }
  }
  EXPECT_GT(checked, 100u);
}

// A folder of the project's own code that the table forgets would go unchecked.
TEST(IncludeEdges, TheTableNamesEveryFolderOfTheSystemsCode) {
  const auto edges = AllowedEdges();
  for (const char* folder :
       {"core", "plugin", "reader", "writer", "codecs", "media", "platform", "framework"}) {
    EXPECT_TRUE(edges.contains(folder)) << folder;
  }
}

}  // namespace
