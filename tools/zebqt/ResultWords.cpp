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
    default:
      return "failed";
  }
}

std::string OpenFailureWords(const std::string& path, uint32_t result) {
  return result == ZEB_E_FILE_OPEN ? FileProblem(path) : ResultWords(result);
}

std::string WithCode(const std::string& words, uint32_t result) {
  return words + " (" + ResultText(result) + ")";
}
