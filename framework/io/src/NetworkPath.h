// Network paths (//host/share/rest) and the local paths that reach them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeb::io {

// A mounted network share: its source as //host/share and where it is mounted.
struct ShareMount {
  std::string source;
  std::string mountPoint;
};

// The network shares of a mount table in /proc/self/mounts form; octal
// escapes (\040 for a space) are decoded, other file systems skipped.
std::vector<ShareMount> ParseShareMounts(std::string_view table);

// What the machine knows to map network paths: its shares and its names.
struct LocalMachine {
  std::vector<ShareMount> mounts;
  std::vector<std::string> hostNames;
};

// Maps a UTF-8 path by the rules of ConvertUNC2LocalPathName.
std::string MapNetworkPath(std::string_view path, const LocalMachine& machine);

}  // namespace zeb::io
