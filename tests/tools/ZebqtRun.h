// What the tests of the zebqt tool share: the program's path, a run with its
// errors in the output, and scratch files named after the test process (the
// threaded and plain runs of one program go side by side).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/support/Shell.h"

namespace zeb::test {

inline const std::string kZebqt = ZEBQT_PATH;

// Standard output and errors together.
inline CommandResult Execute(const std::string& command) { return RunCommand(command + " 2>&1"); }

inline std::string Scratch(const std::string& prefix, const std::string& name) {
  return ::testing::TempDir() + prefix + "-" + std::to_string(::getpid()) + "-" + name;
}

}  // namespace zeb::test
