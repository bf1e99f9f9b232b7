// Reads every frame of the open movie in decode order, for the frames and
// demo commands.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "tools/zebqt/ReaderSession.h"

struct FrameTally {
  uint32_t frames = 0;
  uint64_t bytes = 0;
  std::map<std::string, uint32_t> by_type;  // "I", "P", "B", "IDR"
};

using FrameVisitor = std::function<void(uint32_t index, const SPlugFrameInfo& info)>;

// Throws std::runtime_error naming the frame and the result code on a failed read.
FrameTally ReadAllFrames(ReaderSession& session, const FrameVisitor& visit);

const char* FrameTypeName(uint32_t type);
