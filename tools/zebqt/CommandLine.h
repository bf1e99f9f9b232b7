// zebqt's parsed command line and the commands it can run.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/zebqt/PluginLibrary.h"

struct CommandLine {
  std::string command;
  std::vector<std::string> arguments;  // positional, after the command
  // "--name" or "--name=value" after the command ("--name value" is stored
  // as "--name=value" for the flags that take one).
  std::vector<std::string> flags;
  std::string plugin_path;
  bool json = false;

  bool HasFlag(const std::string& name) const;
  // The value of "--name=value", or `fallback`.
  std::string FlagValue(const std::string& name, const std::string& fallback) const;
};

struct Command {
  const char* name;
  const char* usage;    // arguments, for --help
  const char* summary;  // one line, for --help
  // Returns the process exit code; throws std::runtime_error for a clear
  // failure message.
  std::function<int(const PluginLibrary&, const CommandLine&)> run;
};

// Every command zebqt knows, in the order --help lists them.
const std::vector<Command>& AllCommands();

int RunInfo(const PluginLibrary& plugin, const CommandLine& line);
int RunProbe(const PluginLibrary& plugin, const CommandLine& line);
int RunFrames(const PluginLibrary& plugin, const CommandLine& line);
int RunAudio(const PluginLibrary& plugin, const CommandLine& line);
int RunRecover(const PluginLibrary& plugin, const CommandLine& line);
int RunAtoms(const PluginLibrary& plugin, const CommandLine& line);
int RunRemux(const PluginLibrary& plugin, const CommandLine& line);
int RunTranscode(const PluginLibrary& plugin, const CommandLine& line);
int RunDemo(const PluginLibrary& plugin, const CommandLine& line);
int RunSettings(const PluginLibrary& plugin, const CommandLine& line);

// Option values; a wrong one throws a usage failure naming `flag`.
uint32_t ParseFourCC(const std::string& text, const std::string& flag);
uint32_t ParseNumber(const std::string& text, const std::string& flag, uint32_t low, uint32_t high);
// The flag's number, or none when the flag is not given.
std::optional<uint32_t> OptionalNumber(const CommandLine& line, const std::string& flag,
                                       uint32_t low, uint32_t high);

// The movie a command works on: its first argument, else the bundled movie.
std::string MovieArgument(const CommandLine& line);

// Path of the movie bundled with zebqt, used when no file is given.
std::string DefaultMoviePath();
