#include "platform/movie/FileTarget.h"

#include <sys/stat.h>

namespace zeb::movie {

namespace {

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

Status NotFound(const char* why, const std::string& path) {
  return Status::Error(StatusCode::kNotFound, std::string(why) + ": " + path);
}

}  // namespace

Status NativePathNameToFSSpec(const std::string& utf8Path, FSSpec& target) {
  if (utf8Path.empty() || utf8Path.back() == '/') return NotFound("no file name", utf8Path);
  if (IsFolder(utf8Path)) return NotFound("a folder, not a file", utf8Path);
  const size_t slash = utf8Path.rfind('/');
  if (slash != std::string::npos && !IsFolder(slash == 0 ? "/" : utf8Path.substr(0, slash))) {
    return NotFound("no such folder", utf8Path);
  }
  target.utf8Path = utf8Path;
  return Status::Ok();
}

}  // namespace zeb::movie
