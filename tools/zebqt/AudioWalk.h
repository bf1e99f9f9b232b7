// Reads every audio packet of the open movie in blocks, for the audio and
// demo commands.
#pragma once

#include <cstdint>
#include <functional>

#include "tools/zebqt/ReaderSession.h"

struct AudioTally {
  uint32_t blocks = 0;
  uint64_t packets = 0;
  uint64_t bytes = 0;
  uint64_t checksum = 0xcbf29ce484222325ull;  // FNV-1a 64 of every byte, in order
};

using AudioVisitor = std::function<void(const SPlugFrameInfo& info, const uint8_t* data)>;

// Throws std::runtime_error naming the block and the result code on a failed read.
AudioTally ReadAllAudio(ReaderSession& session, const SPlugStreamInfo& stream,
                        const AudioVisitor& visit);
