#include "tools/zebqt/ResultWords.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "zebplug/ZEBPlugResults.h"

namespace {

// What the file at `path` is, when the plug-in could not open it.
std::string FileProblem(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    return errno == ENOENT ? "no such file"
                           : std::string("cannot reach the file: ") + std::strerror(errno);
  }
  if (S_ISDIR(status.st_mode)) return "a folder, not a movie file";
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string("cannot read the file: ") + std::strerror(errno);
  ::close(fd);
  return "not a QuickTime movie";
}

// What stands in the way of creating a file at `path`.
std::string CreateProblem(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    return "no such folder: " + folder;
  }
  if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return "a folder, not a file";
  if (::access(folder.c_str(), W_OK) != 0) {
    return "cannot write in the folder: " + std::string(std::strerror(errno));
  }
  return "the file cannot be created";
}

}  // namespace

std::string ResultText(uint32_t result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", result);
  return text;
}

std::string ResultWords(uint32_t result) {
  switch (result) {
    case ZEB_OK:
      return "success";
    case ZEB_E_NOT_SUPPORTED:
      return "not supported";
    case ZEB_E_NULL_POINTER:
      return "a required pointer is null";
    case ZEB_E_OUT_OF_RANGE:
      return "index out of range";
    case ZEB_E_PATH_TOO_LONG:
      return "path longer than 255 characters";
    case ZEB_E_FILE_OPEN:
      return "the file cannot be opened";
    case ZEB_E_FILE_SHORT_READ:
      return "the frame cannot be read whole";
    case ZEB_E_UNSUPPORTED_VARIANT:
      return "unsupported compression variant";
    case ZEB_E_NO_SOUND_MEDIA:
      return "no media to read";
    case ZEB_E_EMPTY_FRAME:
      return "the frame holds no data";
    case ZEB_E_SAMPLE_READ:
      return "reading samples failed";
    case ZEB_E_FILE_CREATE:
      return "the file cannot be created";
    case ZEB_E_ADD_SAMPLE:
      return "a sample could not be written (is the disk full?)";
    case ZEB_E_NO_VIDEO_FOURCC:
      return "the writer cannot carry this video format";
    case ZEB_E_NO_AUDIO_FOURCC:
      return "the writer cannot carry this audio format";
    default:
      return "failed";
  }
}

std::string OpenFailureWords(const std::string& path, uint32_t result) {
  return result == ZEB_E_FILE_OPEN ? FileProblem(path) : ResultWords(result);
}

std::string CreateFailureWords(const std::string& path, uint32_t result) {
  return result == ZEB_E_FILE_CREATE ? CreateProblem(path) : ResultWords(result);
}

std::string WithCode(const std::string& words, uint32_t result) {
  return words + " (" + ResultText(result) + ")";
}
