// What the audio encoder tests share: tone PCM, the encoder family driven
// through the plug-in's ordinal table, coded units written into a movie by
// the muxer family, and the movie as the ffmpeg tools read and decode it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/host/TestPlugin.h"
#include "zebplug/ZEBPlug.h"

namespace zeb::test {

// Interleaved little-endian PCM: channel c is a sine of 220 × (c + 1) Hz at
// half scale, so a channel in the wrong place shows.
std::vector<uint8_t> TonePcm(uint32_t frames, uint32_t channels, uint32_t rate, uint32_t bits);

// One QTAudioEncoder behind its handle (ordinals 300 and 301).
class HostAudioEncoder : public HostObject {
 public:
  explicit HostAudioEncoder(const TestPlugin& plugin)
      : HostObject(plugin, ZEB_ORD_CreateAudioEncoder, ZEB_ORD_DestroyAudioEncoder) {}

  uint32_t Check(const SPlugAudioStreamInfo* info) {
    return Call<PFN_CheckAudioEncoderFormat>(ZEB_ORD_CheckAudioEncoderFormat, info);
  }
  uint32_t Open(const SPlugAudioStreamInfo* info, const SPlugPrivateDesc* custom = nullptr) {
    return Call<PFN_OpenAudioEncoder>(ZEB_ORD_OpenAudioEncoder, info, custom);
  }
  // PCM of all channels (channel < 0) or of one.
  uint32_t Put(const uint8_t* data, uint32_t size, uint32_t state, int channel = -1);
  uint32_t Get(const uint8_t** data, SPlugFrameInfo* info) {
    return Call<PFN_GetEncodedAudio>(ZEB_ORD_GetEncodedAudio, data, info);
  }
};

struct CodedUnit {
  std::vector<uint8_t> bytes;
  SPlugFrameInfo info{};
  std::vector<uint8_t> block;  // the kind-9 block, copied within its size
};

// Puts `pcm` in pieces of `pieceFrames` frames, taking every unit after each
// piece, then the end marker and the units until one says the stream ended.
std::vector<CodedUnit> EncodeAll(HostAudioEncoder& encoder, const std::vector<uint8_t>& pcm,
                                 uint32_t blockAlign, uint32_t pieceFrames);

// Writes the units into a new movie through the muxer, `audio` its only
// stream (direct mode); false when the muxer refuses a call.
bool WriteAudioMovie(const TestPlugin& plugin, const std::string& path,
                     const SPlugAudioStreamInfo& audio, const std::vector<CodedUnit>& units);

struct DecodedAudio {
  std::string codecName, codecTag;
  int sampleRate = 0, channels = 0;
  double duration = 0;           // seconds, as ffprobe reports the stream's
  std::vector<int16_t> samples;  // the ffmpeg tool's decode, interleaved 16-bit
};
// Audio stream `index` of the movie, as the ffmpeg tools see it; a failed
// tool leaves codecName empty.
DecodedAudio DecodeWithFfmpeg(const std::string& path, int index = 0);

}  // namespace zeb::test
