// zebqt demo [FILE] [--out=MOVIE]: what the plug-in is, what it makes of a
// movie, then the whole path on made-up material: a test pattern and a tone
// encoded, written, read back and decoded, with what came back measured.
#include <unistd.h>

#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <stdexcept>

#include "tools/zebqt/AudioWalk.h"
#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/FrameWalk.h"
#include "tools/zebqt/RoundTrip.h"

namespace {

void SummariseFrames(ReaderSession& session) {
  const FrameTally tally = ReadAllFrames(session, [](uint32_t, const SPlugFrameInfo&) {});
  std::cout << "read " << tally.frames << " frames (" << tally.bytes << " bytes):";
  for (const auto& [type, count] : tally.by_type) std::cout << ' ' << count << ' ' << type;
  std::cout << '\n';
}

void SummariseAudio(ReaderSession& session, uint32_t index) {
  const AudioTally tally = ReadAllAudio(session, session.AudioStream(index),
                                        [](const SPlugFrameInfo&, const uint8_t*) {});
  std::cout << "read audio stream " << index << ": " << tally.packets << " packets in "
            << tally.blocks << " blocks (" << tally.bytes << " bytes)\n";
}

std::string TemporaryMoviePath() {
  const char* folder = std::getenv("TMPDIR");
  return std::string(folder != nullptr ? folder : "/tmp") + "/zebqt-demo-" +
         std::to_string(::getpid()) + ".mov";
}

void ShowRoundTrip(const PluginLibrary& plugin, const std::string& path) {
  std::cout << "\nround trip: a 640x360 test pattern and a stereo tone, 2 s\n"
               "  encoded to avc1 (ordinals 101..111), written with PCM (500..511), read back "
               "(400..431), decoded (1..11)\n";
  const RoundTripResult result = RunRoundTrip(plugin, path);
  std::cout << "  " << result.frames << " frames encoded and written, " << result.framesBack
            << " decoded back: PSNR " << std::fixed << std::setprecision(1) << result.averagePsnr
            << " dB on average, " << result.lowestPsnr << " dB at the lowest\n"
            << "  " << result.audioSamples << " audio samples, "
            << (result.audioIdentical ? "identical to the tone" : "NOT identical to the tone")
            << "\n  movie: " << path << " (" << result.movieBytes << " bytes)\n";
  if (result.framesBack != result.frames || !result.audioIdentical) {
    throw std::runtime_error("the round trip lost data");
  }
}

}  // namespace

int RunDemo(const PluginLibrary& plugin, const CommandLine& line) {
  CommandLine text = line;
  text.json = false;
  const int info = RunInfo(plugin, text);
  if (info != 0) return info;
  std::cout << '\n';
  RunProbe(plugin, text);
  ReaderSession session(plugin, MovieArgument(line));
  if (session.VideoStreamCount() > 0) SummariseFrames(session);
  for (uint32_t i = 0; i < session.AudioStreamCount(); ++i) SummariseAudio(session, i);
  ShowRoundTrip(plugin, line.FlagValue("--out", TemporaryMoviePath()));
  return 0;
}
