// How zebqt ends: its exit codes, and the failure that carries one to main.
#pragma once

#include <stdexcept>
#include <string>

enum ExitCode : int {
  kExitOk = 0,
  kExitMovie = 1,
  kExitUsage = 2,
  kExitPlugin = 3,
  kExitOutput = 4,
  kExitCancelled = 5
};

struct ExitCodeMeaning {
  ExitCode code;
  const char* meaning;  // for --help
};

inline constexpr ExitCodeMeaning kExitCodes[] = {
    {kExitOk, "success"},
    {kExitMovie,
     "the movie cannot be read (no such file, not a QuickTime movie, no such track, "
     "a failed read)"},
    {kExitUsage, "the command line is wrong"},
    {kExitPlugin, "the plug-in cannot be loaded, or its media layer cannot start"},
    {kExitOutput,
     "the output movie cannot be written (no such folder, a full disk, a stream the writer "
     "cannot carry)"},
    {kExitCancelled, "the settings dialog was cancelled, or cannot be shown (no display)"},
};

// A failure with a message for the terminal; a plain std::exception ends
// zebqt with kExitMovie.
class Failure : public std::runtime_error {
 public:
  Failure(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
  ExitCode code() const { return code_; }

 private:
  ExitCode code_;
};
