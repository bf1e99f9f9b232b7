// One movie written through the muxer family, as a host drives it: create,
// open with a one-file open parameter and the stream records, write coded
// units by ordinal, destroy (which finishes the file).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/zebqt/PluginLibrary.h"

class MuxerSession {
 public:
  // Creates a muxer and opens `path` for `streams` (a video record of stream
  // type 1 and an audio record of type 2, either may be missing); with
  // `writerThread` the samples are added on the writer's own thread. Throws
  // a Failure (kExitOutput) saying in words why the open failed.
  MuxerSession(const PluginLibrary& plugin, const std::string& path,
               const std::vector<SPlugStreamInfo>& streams, bool writerThread);
  // Finishes the movie when Finish() was not called (a failure on the way).
  ~MuxerSession();
  MuxerSession(const MuxerSession&) = delete;
  MuxerSession& operator=(const MuxerSession&) = delete;

  // Stream 0 is the video stream, 1 the audio stream; the result code of
  // ordinal 509.
  uint32_t Write(uint32_t stream, const uint8_t* data, const SPlugFrameInfo& info);

  // Destroys the muxer, which writes what it holds and finishes the file.
  void Finish();

 private:
  ZEBHandle handle_ = nullptr;
  PFN_MuxerDestroy destroy_;
  PFN_MuxerWrite write_;
};
