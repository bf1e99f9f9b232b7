// zebqt audio FILE: every audio block of a stream with its size, and a
// checksum of all bytes so that scripts can compare two reads.
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "tools/zebqt/AudioWalk.h"
#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/JsonWriter.h"
#include "tools/zebqt/ProgressBar.h"
#include "tools/zebqt/ResultWords.h"

namespace {

// About a second of samples a block, which the reader's buffer always holds.
uint32_t PacketsPerBlock(const SPlugStreamInfo& stream) {
  const uint32_t per_packet = stream.framesPerPacket == 0 ? 1 : stream.framesPerPacket;
  const uint32_t rate = stream.audio.sampleRate == 0 ? 48000 : stream.audio.sampleRate;
  const uint32_t packets = rate / per_packet;
  return packets == 0 ? 1 : packets;
}

void AddToChecksum(uint64_t& checksum, const uint8_t* data, uint32_t size) {
  for (uint32_t i = 0; i < size; ++i) {
    checksum ^= data[i];
    checksum *= 0x100000001b3ull;
  }
}

std::string Hex(uint64_t value) {
  char text[20];
  std::snprintf(text, sizeof text, "%016" PRIx64, value);
  return text;
}

}  // namespace

AudioTally ReadAllAudio(ReaderSession& session, const SPlugStreamInfo& stream,
                        const AudioVisitor& visit) {
  const uint32_t total = stream.packetCount;
  const uint32_t block = PacketsPerBlock(stream);
  ProgressBar progress("audio", total);
  AudioTally tally;
  for (uint32_t start = 0; start < total; start += block) {
    const uint32_t count = std::min(block, total - start);
    SPlugFrameInfo info{};
    const uint8_t* data = nullptr;
    const uint32_t result = session.ReadAudio(start, count, &data, info);
    if (result != ZEB_OK) {
      throw std::runtime_error("audio block at packet " + std::to_string(start) + ": " +
                               WithCode(ResultWords(result), result));
    }
    ++tally.blocks;
    tally.packets += info.unitCount;
    tally.bytes += info.dataSize;
    AddToChecksum(tally.checksum, data, info.dataSize);
    visit(info, data);
    progress.Update(start + count);
  }
  return tally;
}

int RunAudio(const PluginLibrary& plugin, const CommandLine& line) {
  const std::string path = MovieArgument(line);
  ReaderSession session(plugin, path);
  const uint32_t index = static_cast<uint32_t>(std::stoul(line.FlagValue("--stream", "0")));
  if (index >= session.AudioStreamCount()) {
    throw std::runtime_error(path + ": no audio stream " + std::to_string(index));
  }
  const SPlugStreamInfo stream = session.AudioStream(index);
  const std::string out_path = line.FlagValue("--out", "");
  std::ofstream out;
  if (!out_path.empty()) {
    out.open(out_path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + out_path);
  }
  const AudioTally tally =
      ReadAllAudio(session, stream, [&](const SPlugFrameInfo& info, const uint8_t* data) {
        if (out.is_open()) out.write(reinterpret_cast<const char*>(data), info.dataSize);
        if (!line.json) {
          std::cout << "block at " << info.decodePosition << ": " << info.unitCount << " packets, "
                    << info.dataSize << " bytes"
                    << (info.streamState == PLUG_STREAMSTATE_END_ ? " (last)" : "") << '\n';
        }
      });
  if (line.json) {
    JsonWriter json(std::cout);
    json.BeginObject()
        .Field("stream", index)
        .Field("blocks", tally.blocks)
        .Field("packets", tally.packets)
        .Field("bytes", tally.bytes)
        .Field("fnv1a64", Hex(tally.checksum))
        .EndObject();
    std::cout << '\n';
  } else {
    std::cout << tally.packets << " packets, " << tally.bytes << " bytes, fnv1a64 "
              << Hex(tally.checksum) << '\n';
  }
  return 0;
}
