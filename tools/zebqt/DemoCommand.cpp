// zebqt demo [FILE]: what the plug-in is, then what it makes of a movie.
#include <iostream>

#include "tools/zebqt/AudioWalk.h"
#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/FrameWalk.h"

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
  return 0;
}
