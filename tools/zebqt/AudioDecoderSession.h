// One sound stream decoded to little-endian PCM through the audio decoder
// family, as a host drives it: create, open with the stream's kind-7 sound
// description, a unit in and its PCM out, destroy.
#pragma once

#include <cstdint>
#include <span>

#include "tools/zebqt/PluginLibrary.h"

class AudioDecoderSession {
 public:
  // Opens a decoder for `stream` (a reader's sound record, whose description
  // must outlive the session); throws a Failure (kExitMovie) on refusal.
  AudioDecoderSession(const PluginLibrary& plugin, const SPlugStreamInfo& stream);
  ~AudioDecoderSession();
  AudioDecoderSession(const AudioDecoderSession&) = delete;
  AudioDecoderSession& operator=(const AudioDecoderSession&) = delete;

  // Decodes `packets` packets; the PCM stays in the decoder's memory until
  // the next call. `first` names the unit in messages.
  std::span<const uint8_t> Decode(std::span<const uint8_t> unit, uint32_t packets, uint64_t first);

 private:
  ZEBHandle handle_ = nullptr;
  PFN_DestroyAudioDecoder destroy_;
  PFN_DecodeAudio decode_;
  PFN_GetDecodedAudio fetch_;
};
