// Commands and files as the tests use them: the ffmpeg tools, nm and zebqt
// run through the shell, and whole or partial files read as bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zeb::test {

struct CommandResult {
  int exitCode = -1;   // -1 when the command could not run or did not exit normally
  std::string output;  // standard output; append " 2>&1" to the command for errors too
};

// Runs `command` with /bin/sh.
CommandResult RunCommand(const std::string& command);

// `text` in single quotes for the shell (test paths hold no single quote).
std::string Quote(const std::string& text);

// Up to `size` bytes of a file from `offset`; fewer when the file ends first.
std::vector<uint8_t> ReadFile(const std::string& path, uint64_t offset = 0,
                              uint64_t size = UINT64_MAX);
void WriteFile(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace zeb::test
