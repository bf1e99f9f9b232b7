// One sound stream coded from little-endian PCM through the audio encoder
// family, as a host drives it: create, open with the audio record (code,
// channels, bits, rate), PCM in, coded units with their kind-9 audio
// description block out, destroy.
#pragma once

#include <cstdint>
#include <span>

#include "tools/zebqt/PluginLibrary.h"

struct EncodedAudioUnit {
  std::span<const uint8_t> bytes;  // in the encoder's memory until its next call
  SPlugFrameInfo info;             // as the muxer takes it: count, state, block
};

class AudioEncoderSession {
 public:
  // Opens an encoder for `record`; throws a Failure (kExitUsage) when the
  // plug-in has no audio encoder or the encoder refuses the format.
  AudioEncoderSession(const PluginLibrary& plugin, const SPlugAudioStreamInfo& record);
  ~AudioEncoderSession();
  AudioEncoderSession(const AudioEncoderSession&) = delete;
  AudioEncoderSession& operator=(const AudioEncoderSession&) = delete;

  // Hands on interleaved PCM; `end` with the last of it.
  void Put(std::span<const uint8_t> pcm, bool end);
  // The next coded unit; false when none is ready (or the stream ended).
  bool Take(EncodedAudioUnit& unit);
  // A unit with the end state has been taken.
  bool ended() const { return ended_; }

 private:
  ZEBHandle handle_ = nullptr;
  PFN_DestroyAudioEncoder destroy_ = nullptr;
  PFN_EncodeAudio encode_ = nullptr;
  PFN_GetEncodedAudio fetch_ = nullptr;
  bool ended_ = false;
};
