#include "framework/io/src/NetworkPath.h"

#include <algorithm>
#include <sstream>

namespace zeb::io {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsNetworkPath(std::string_view path) {
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

bool IsOctalEscape(std::string_view field, size_t at) {
  if (field[at] != '\\' || at + 3 >= field.size()) return false;
  return std::all_of(field.begin() + static_cast<ptrdiff_t>(at) + 1,
                     field.begin() + static_cast<ptrdiff_t>(at) + 4,
                     [](char c) { return c >= '0' && c <= '7'; });
}

// Decodes the \ooo escapes that the kernel writes for blanks and backslashes.
std::string DecodeMountField(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (IsOctalEscape(field, i)) {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

std::string NormaliseSeparators(std::string_view path) {
  std::string out(path);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

// Splits "//host/share/rest" into host, share and "/rest" (rest may be empty).
struct NetworkParts {
  std::string_view host;
  std::string_view share;
  std::string_view rest;
};

NetworkParts SplitNetworkPath(std::string_view normalised) {
  NetworkParts parts;
  std::string_view tail = normalised.substr(2);
  const size_t hostEnd = std::min(tail.find('/'), tail.size());
  parts.host = tail.substr(0, hostEnd);
  tail.remove_prefix(hostEnd);
  if (tail.empty()) return parts;
  tail.remove_prefix(1);
  const size_t shareEnd = std::min(tail.find('/'), tail.size());
  parts.share = tail.substr(0, shareEnd);
  parts.rest = tail.substr(shareEnd);
  return parts;
}

// Length of the mounted source that `normalised` lies under, or 0; a share
// may be mounted from a folder inside it (//host/share/sub).
size_t CoveredLength(const ShareMount& mount, std::string_view normalised) {
  std::string source = NormaliseSeparators(mount.source);
  while (source.size() > 2 && source.back() == '/') source.pop_back();
  if (source.size() <= 2 || source[2] == '/') return 0;
  if (normalised.size() < source.size()) return 0;
  if (!EqualsIgnoringAsciiCase(normalised.substr(0, source.size()), source)) return 0;
  const bool wholeComponent =
      normalised.size() == source.size() || normalised[source.size()] == '/';
  return wholeComponent ? source.size() : 0;
}

// The mount point followed by the part of the path below the mounted source.
std::string MapThroughMounts(std::string_view normalised, const std::vector<ShareMount>& mounts) {
  const ShareMount* best = nullptr;
  size_t bestLength = 0;
  for (const ShareMount& mount : mounts) {
    const size_t length = CoveredLength(mount, normalised);
    if (length > bestLength) {
      best = &mount;
      bestLength = length;
    }
  }
  if (!best) return {};
  std::string local = best->mountPoint;
  while (!local.empty() && local.back() == '/') local.pop_back();
  local += normalised.substr(bestLength);
  return local.empty() ? "/" : local;
}

bool IsThisMachine(std::string_view host, const std::vector<std::string>& names) {
  return std::any_of(names.begin(), names.end(), [host](const std::string& name) {
    return EqualsIgnoringAsciiCase(host, name);
  });
}

}  // namespace

std::vector<ShareMount> ParseShareMounts(std::string_view table) {
  std::vector<ShareMount> mounts;
  std::istringstream lines{std::string(table)};
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string source;
    std::string mountPoint;
    if (!(fields >> source >> mountPoint)) continue;
    source = DecodeMountField(source);
    if (IsNetworkPath(source)) mounts.push_back({source, DecodeMountField(mountPoint)});
  }
  return mounts;
}

std::string MapNetworkPath(std::string_view path, const LocalMachine& machine) {
  if (!IsNetworkPath(path)) return std::string(path);
  const std::string normalised = NormaliseSeparators(path);
  if (std::string local = MapThroughMounts(normalised, machine.mounts); !local.empty())
    return local;
  const NetworkParts parts = SplitNetworkPath(normalised);
  if (IsThisMachine(parts.host, machine.hostNames)) {
    // Appended one by one: "/" + string trips GCC 12's -Wrestrict at -O3.
    std::string local = "/";
    local.append(parts.share).append(parts.rest);
    return local;
  }
  return normalised;
}

}  // namespace zeb::io
