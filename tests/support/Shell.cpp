#include "tests/support/Shell.h"

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>

namespace zeb::test {

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 65536> chunk;
  while (const size_t got = std::fread(chunk.data(), 1, chunk.size(), pipe))
    result.output.append(chunk.data(), got);
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

std::vector<uint8_t> ReadFile(const std::string& path, uint64_t offset, uint64_t size) {
  // Read until the end rather than by the file's size: procfs files have none.
  std::ifstream file(path, std::ios::binary);
  file.seekg(static_cast<std::streamoff>(offset));
  std::vector<uint8_t> bytes;
  std::array<char, 65536> chunk;
  while (file && bytes.size() < size) {
    file.read(chunk.data(),
              static_cast<std::streamsize>(std::min<uint64_t>(chunk.size(), size - bytes.size())));
    bytes.insert(bytes.end(), chunk.data(), chunk.data() + file.gcount());
  }
  return bytes;
}

void WriteFile(const std::string& path, std::span<const uint8_t> bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace zeb::test
