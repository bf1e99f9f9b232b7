#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/ExecutableFolder.h"

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {
      {"demo", "[FILE] [--out=MOVIE]",
       "library information; probe, frames and audio of a movie; then a test pattern and a tone "
       "encoded, written, read back and decoded (the default)",
       RunDemo},
      {"info", "", "library information, media-layer start-up and the filled export slots",
       RunInfo},
      {"probe", "[FILE]", "the video and audio stream records of a movie", RunProbe},
      {"frames", "[FILE] [--read-ahead]", "every video frame: type, positions, size", RunFrames},
      {"audio", "[FILE] [--stream=N] [--out=RAW]",
       "every audio block of a stream: sizes and a checksum, optionally the bytes", RunAudio},
      {"remux", "IN OUT [--thread] [--aligned] [--sync-every=MS|off]",
       "copy the video and first audio stream into a new movie through the muxer; a crash "
       "costs at most MS of media (default 1000; off: no recovery journal)",
       RunRemux},
      {"transcode", "IN OUT --video FOURCC [--audio CODE] [--quality N] [--gop N] [--bitrate N]",
       "decode the video to '2vuy' and code it as FOURCC (quality 0-1023, a key frame every N "
       "frames, bits per second); the first audio stream decoded and written as PCM (or coded "
       "as CODE by the plug-in's audio encoder)",
       RunTranscode},
      {"recover", "DAMAGED [OUT]",
       "rebuild a movie whose recording stopped before it closed, from its journal", RunRecover},
  };
  return commands;
}

std::string DefaultMoviePath() { return ExecutableFolder() + "zebqt-default.mov"; }

std::string MovieArgument(const CommandLine& line) {
  return line.arguments.empty() ? DefaultMoviePath() : line.arguments.front();
}

bool CommandLine::HasFlag(const std::string& name) const {
  for (const std::string& flag : flags) {
    if (flag == name) return true;
  }
  return false;
}

std::string CommandLine::FlagValue(const std::string& name, const std::string& fallback) const {
  const std::string prefix = name + "=";
  for (const std::string& flag : flags) {
    if (flag.rfind(prefix, 0) == 0) return flag.substr(prefix.size());
  }
  return fallback;
}
