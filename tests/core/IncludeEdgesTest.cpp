// Every `#include "..."` of the project's own folders against the allowed
// edges that docs/architecture.md lists: a folder includes its own headers
// and those of the folders its row names, nothing else.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = ZEB_SOURCE_DIR;

// The names between backticks in `text`, in order.
std::vector<std::string> BacktickedNames(const std::string& text) {
  std::vector<std::string> names;
  for (size_t open = text.find('`'); open != std::string::npos;) {
    const size_t close = text.find('`', open + 1);
    if (close == std::string::npos) break;
    names.push_back(text.substr(open + 1, close - open - 1));
    open = text.find('`', close + 1);
  }
  return names;
}

// Rows "| `folder` | `a`, `b` |" of the section that holds the allowed edges.
// Parsed by hand: <regex> trips GCC 12's uninitialised-use warning under the sanitizers.
std::map<std::string, std::set<std::string>> AllowedEdges() {
  std::ifstream doc(kRoot / "docs/architecture.md");
  std::map<std::string, std::set<std::string>> edges;
  bool inSection = false;
  for (std::string line; std::getline(doc, line);) {
    if (line.starts_with("## ")) inSection = line == "## Include edges";
    if (!inSection || !line.starts_with("| `")) continue;
    const size_t cellEnd = line.find('|', 1);
    if (cellEnd == std::string::npos) continue;
    const auto folder = BacktickedNames(line.substr(0, cellEnd));
    if (folder.size() != 1) continue;
    std::set<std::string>& allowed = edges[folder.front()];
    for (const std::string& target : BacktickedNames(line.substr(cellEnd))) allowed.insert(target);
  }
  return edges;
}

// The quoted name of a `#include "..."` line, or "" for any other line.
std::string QuotedInclude(const std::string& line) {
  size_t at = line.find_first_not_of(" \t");
  if (at == std::string::npos || line[at] != '#') return "";
  at = line.find_first_not_of(" \t", at + 1);
  if (at == std::string::npos || line.compare(at, 7, "include") != 0) return "";
  at = line.find_first_not_of(" \t", at + 7);
  if (at == std::string::npos || line[at] != '"') return "";
  const size_t close = line.find('"', at + 1);
  return close == std::string::npos ? "" : line.substr(at + 1, close - at - 1);
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
  size_t checked = 0;
  for (const fs::path& source : sources) {
    const std::string from = TopFolder(source);
    std::ifstream file(source);
    for (std::string line; std::getline(file, line);) {
      const std::string include = QuotedInclude(line);
      if (include.empty()) continue;
      const std::string to = Resolve(include, source, sources);
      ++checked;
      EXPECT_TRUE(to == from || edges.at(from).contains(to))
          << fs::relative(source, kRoot).string() << " includes \"" << include << "\" (" << from
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
