#include "tools/zebqt/WrittenMovie.h"

#include <sys/stat.h>

#include <stdexcept>

#include "tools/zebqt/Failure.h"
#include "tools/zebqt/ReaderSession.h"

uint64_t FileSize(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 ? static_cast<uint64_t>(status.st_size) : 0;
}

void VerifyWritten(const PluginLibrary& plugin, const std::string& path, uint32_t frames) {
  try {
    ReaderSession written(plugin, path);
    const uint32_t found = written.VideoStreamCount() > 0 ? written.VideoStream().frameCount : 0;
    if (found == frames) return;
    throw std::runtime_error(std::to_string(found) + " frames of " + std::to_string(frames));
  } catch (const std::runtime_error& error) {
    throw Failure(kExitOutput,
                  path + ": the movie could not be finished (is the disk full?): " + error.what());
  }
}
