// One movie opened through the reader family, as a host drives it: create,
// open with a one-file open parameter, query and read by ordinal, destroy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/zebqt/PluginLibrary.h"

class ReaderSession {
 public:
  // Creates a reader and opens `path`; throws std::runtime_error saying in
  // words why the open failed, with the result code after.
  ReaderSession(const PluginLibrary& plugin, const std::string& path);
  ~ReaderSession();
  ReaderSession(const ReaderSession&) = delete;
  ReaderSession& operator=(const ReaderSession&) = delete;

  uint32_t VideoStreamCount() const;
  uint32_t AudioStreamCount() const;
  SPlugStreamInfo VideoStream() const;
  SPlugStreamInfo AudioStream(uint32_t index) const;

  // Switches the read-ahead word of the read options.
  void SetReadAhead(bool on, uint32_t bytes = 0x100000);

  // Reads frame `index` into the reader's shared buffer (ordinal 421).
  uint32_t ReadFrame(uint32_t index, const uint8_t** data, SPlugFrameInfo& info);

  // Reads `count` packets from `start` into the reader's interleave buffer
  // (ordinal 429).
  uint32_t ReadAudio(uint32_t start, uint32_t count, const uint8_t** data, SPlugFrameInfo& info);

 private:
  ZEBHandle handle_ = nullptr;
  PFN_DestroyReader destroy_;
  PFN_GetVideoStreamCount video_count_;
  PFN_GetVideoStreamInfo video_info_;
  PFN_GetAudioStreamCount audio_count_;
  PFN_GetAudioStreamInfo audio_info_;
  PFN_SetReadOptions set_options_;
  PFN_GetReadOptions get_options_;
  PFN_ReadVideoFrameShared read_frame_;
  PFN_ReadAudioSamplesAlt read_audio_;
};

// Four-character code as text, non-printable bytes escaped.
std::string FourCCText(uint32_t code);
