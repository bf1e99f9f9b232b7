// zebqt frames FILE [--read-ahead]: every video frame in decode order with
// its type, positions and size, read through the reader's shared buffer.
#include <iostream>
#include <stdexcept>

#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/FrameWalk.h"
#include "tools/zebqt/JsonWriter.h"
#include "tools/zebqt/ProgressBar.h"
#include "tools/zebqt/ReaderSession.h"
#include "tools/zebqt/ResultWords.h"

const char* FrameTypeName(uint32_t type) {
  switch (type) {
    case PLUG_FRAME_COMPRESS_TYPE_I_:
      return "I";
    case PLUG_FRAME_COMPRESS_TYPE_P_:
      return "P";
    case PLUG_FRAME_COMPRESS_TYPE_B_:
      return "B";
    case PLUG_FRAME_COMPRESS_TYPE_IDR_:
      return "IDR";
    default:
      return "?";
  }
}

namespace {

// Presentation positions are 64-bit with all bits set for "none".
int64_t Position(uint64_t value) { return static_cast<int64_t>(value); }

}  // namespace

FrameTally ReadAllFrames(ReaderSession& session, const FrameVisitor& visit) {
  const uint32_t count = session.VideoStream().frameCount;
  ProgressBar progress("frames", count);
  FrameTally tally;
  for (uint32_t index = 0; index < count; ++index) {
    SPlugFrameInfo info{};
    const uint8_t* data = nullptr;
    const uint32_t result = session.ReadFrame(index, &data, info);
    if (result != ZEB_OK) {
      throw std::runtime_error("frame " + std::to_string(index) + ": " +
                               WithCode(ResultWords(result), result));
    }
    ++tally.by_type[FrameTypeName(info.frameType)];
    tally.bytes += info.dataSize;
    visit(index, info);
    progress.Update(index + 1);
  }
  tally.frames = count;
  return tally;
}

int RunFrames(const PluginLibrary& plugin, const CommandLine& line) {
  const std::string path = MovieArgument(line);
  ReaderSession session(plugin, path);
  if (session.VideoStreamCount() == 0) throw std::runtime_error(path + ": no video track");
  session.SetReadAhead(line.HasFlag("--read-ahead"));
  if (line.json) {
    JsonWriter json(std::cout);
    json.BeginArray();
    ReadAllFrames(session, [&json](uint32_t index, const SPlugFrameInfo& info) {
      json.BeginObject()
          .Field("index", index)
          .Field("type", FrameTypeName(info.frameType))
          .Field("decode", Position(info.decodePosition))
          .Field("presentation", Position(info.presentationPosition))
          .Field("size", info.dataSize)
          .Field("last", info.streamState == PLUG_STREAMSTATE_END_)
          .EndObject();
    });
    json.EndArray();
    std::cout << '\n';
    return 0;
  }
  std::cout << "index  type  decode  presentation  size\n";
  const FrameTally tally = ReadAllFrames(session, [](uint32_t index, const SPlugFrameInfo& info) {
    std::cout << index << "  " << FrameTypeName(info.frameType) << "  "
              << Position(info.decodePosition) << "  " << Position(info.presentationPosition)
              << "  " << info.dataSize
              << (info.streamState == PLUG_STREAMSTATE_END_ ? "  (last)" : "") << '\n';
  });
  std::cout << tally.frames << " frames, " << tally.bytes << " bytes\n";
  return 0;
}
