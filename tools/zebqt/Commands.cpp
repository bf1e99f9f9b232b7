#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/ExecutableFolder.h"
#include "tools/zebqt/Failure.h"

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
      {"atoms", "[FILE]", "the atom tree of a movie: offsets, sizes, table entries", RunAtoms},
      {"recover", "DAMAGED [OUT]",
       "rebuild a movie whose recording stopped before it closed, from its journal", RunRecover},
      {"settings", "video|audio [--video FOURCC] [--audio CODE] [--gop N] [--bitrate N]",
       "show the plug-in's settings dialog for a video (1920x1080, 29.97 fps) or audio (stereo, "
       "16 bits, 48000 Hz) stream, then print the chosen settings and the block in hex",
       RunSettings},
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

uint32_t ParseFourCC(const std::string& text, const std::string& flag) {
  if (text.size() != 4) throw Failure(kExitUsage, flag + " takes a four-character code");
  uint32_t code = 0;
  for (const char c : text) code = code << 8 | static_cast<uint8_t>(c);
  return code;
}

uint32_t ParseNumber(const std::string& text, const std::string& flag, uint32_t low,
                     uint32_t high) {
  const bool digits = !text.empty() && text.size() <= 10 &&
                      text.find_first_not_of("0123456789") == std::string::npos;
  const unsigned long long value = digits ? std::stoull(text) : 0;
  if (!digits || value < low || value > high) {
    throw Failure(kExitUsage, flag + " takes a number from " + std::to_string(low) + " to " +
                                  std::to_string(high));
  }
  return static_cast<uint32_t>(value);
}

std::optional<uint32_t> OptionalNumber(const CommandLine& line, const std::string& flag,
                                       uint32_t low, uint32_t high) {
  const std::string text = line.FlagValue(flag, "");
  if (text.empty()) return std::nullopt;
  return ParseNumber(text, flag, low, high);
}
