#include "tools/zebqt/ExecutableFolder.h"

#include <unistd.h>

std::string ExecutableFolder() {
  std::string self(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (length <= 0) return {};
  self.resize(static_cast<size_t>(length));
  return self.substr(0, self.rfind('/') + 1);
}
