#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/ExecutableFolder.h"

namespace {

// The demonstration: what the plug-in is, then what it makes of a movie.
int RunDemo(const PluginLibrary& plugin, const CommandLine& line) {
  return RunInfo(plugin, line);
}

}  // namespace

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {
      {"demo", "", "library information and a probe of the bundled movie (the default)", RunDemo},
      {"info", "", "library information, media-layer start-up and the filled export slots",
       RunInfo},
  };
  return commands;
}

std::string DefaultMoviePath() { return ExecutableFolder() + "zebqt-default.mov"; }
