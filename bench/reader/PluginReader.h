// The plug-in's reader family as a benchmark host uses it: the library loaded
// with dlopen from the benchmark's own folder, functions found by ordinal.
#pragma once

#include <cstdint>
#include <string>

#include "zebplug/ZEBPlug.h"

namespace zeb::bench {

class PluginReader {
 public:
  // Loads libZEBPlugQuickTimeLibU.so from the folder of this program.
  PluginReader();
  ~PluginReader();
  PluginReader(const PluginReader&) = delete;
  PluginReader& operator=(const PluginReader&) = delete;

  bool loaded() const { return module_ != nullptr; }
  // Ordinals 400 and 404 (the reader of an earlier open is destroyed first).
  uint32_t Open(const std::string& path);
  // Ordinal 417: read-ahead on with `bytes` of ring, or off.
  void SetReadAhead(bool on, uint32_t bytes);
  uint32_t FrameCount();
  // Ordinal 421; the frame's size, or 0 when the read failed.
  uint32_t ReadShared(uint32_t index, uint8_t** data);

 private:
  void Close();

  void* module_ = nullptr;
  void* reader_ = nullptr;
  PFN_ZEBPlugGetProcByOrdinal lookup_ = nullptr;
};

}  // namespace zeb::bench
