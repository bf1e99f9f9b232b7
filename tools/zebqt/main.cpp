// zebqt: a host for ZEBPlugQuickTimeLibU at the terminal. It loads the
// plug-in by path and drives it through the ordinal table as a host does.
#include <cstring>
#include <iostream>
#include <stdexcept>

#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/Failure.h"

namespace {

// Flags that take a value may have it as the next argument.
constexpr const char* kValueFlags[] = {"--video", "--audio", "--quality", "--gop", "--bitrate"};

bool TakesValue(const std::string& flag) {
  for (const char* name : kValueFlags) {
    if (flag == name) return true;
  }
  return false;
}

void PrintHelp() {
  std::cout << "usage: zebqt [--plugin PATH] [--json] [COMMAND [ARGS...]]\n\n"
               "With no command, zebqt runs its demonstration on the bundled movie.\n\n"
               "commands:\n";
  for (const Command& command : AllCommands()) {
    std::string head = std::string(command.name) + " " + command.usage;
    if (head.size() < 24) head.resize(24, ' ');
    std::cout << "  " << head << " " << command.summary << '\n';
  }
  std::cout << "\noptions:\n"
               "  --plugin PATH            the plug-in to load (default: beside zebqt)\n"
               "  --json                   machine-readable output\n"
               "  --help                   this text\n"
               "\nexit codes:\n";
  for (const ExitCodeMeaning& exit : kExitCodes) {
    std::cout << "  " << exit.code << "  " << exit.meaning << '\n';
  }
}

CommandLine Parse(int argc, char** argv) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--json") {
      line.json = true;
    } else if (argument == "--plugin") {
      if (++i == argc) throw Failure(kExitUsage, "--plugin needs a path");
      line.plugin_path = argv[i];
    } else if (argument == "--help" || argument == "-h") {
      line.command = "help";
    } else if (line.command.empty()) {
      line.command = argument;
    } else if (TakesValue(argument)) {
      if (++i == argc) throw Failure(kExitUsage, argument + " needs a value");
      line.flags.push_back(argument + "=" + argv[i]);
    } else if (argument.rfind("--", 0) == 0) {
      line.flags.push_back(argument);
    } else {
      line.arguments.push_back(argument);
    }
  }
  if (line.plugin_path.empty()) line.plugin_path = DefaultPluginPath();
  if (line.command.empty()) line.command = "demo";
  return line;
}

const Command* Find(const std::string& name) {
  for (const Command& command : AllCommands()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const CommandLine line = Parse(argc, argv);
    if (line.command == "help") {
      PrintHelp();
      return kExitOk;
    }
    const Command* command = Find(line.command);
    if (command == nullptr) {
      throw Failure(kExitUsage, "unknown command '" + line.command + "' (see zebqt --help)");
    }
    const PluginLibrary plugin(line.plugin_path);
    return command->run(plugin, line);
  } catch (const Failure& failure) {
    std::cerr << "zebqt: " << failure.what() << '\n';
    return failure.code();
  } catch (const std::exception& error) {
    std::cerr << "zebqt: " << error.what() << '\n';
    return kExitMovie;
  }
}
