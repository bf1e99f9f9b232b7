// A movie's sound stream as PCM: read with the reader family a unit at a
// time, decoded with the audio decoder family, and handed on in slices of
// any number of sample frames.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tools/zebqt/AudioDecoderSession.h"
#include "tools/zebqt/ReaderSession.h"

class DecodedAudio {
 public:
  // Opens the decoder and decodes the first unit, which tells the width of
  // the PCM (16 bits, or 24 and 32 for sources of that width). `reader` and
  // `stream` must outlive the object. Throws a Failure.
  DecodedAudio(const PluginLibrary& plugin, ReaderSession& reader, const SPlugStreamInfo& stream);

  uint32_t channels() const { return channels_; }
  uint32_t valueBytes() const { return valueBytes_; }
  uint32_t sampleRate() const { return stream_.audio.sampleRate; }
  uint64_t framesTaken() const { return framesTaken_; }

  // Up to `frames` sample frames of interleaved little-endian PCM, fewer
  // only when the stream ends; valid until the next call.
  std::span<const uint8_t> Take(uint64_t frames);
  // Every packet decoded and every frame taken.
  bool Finished() const { return packetsRead_ >= stream_.packetCount && at_ == pcm_.size(); }

 private:
  void DecodeNextUnit();

  ReaderSession& reader_;
  const SPlugStreamInfo& stream_;
  AudioDecoderSession decoder_;
  uint32_t channels_;
  uint32_t valueBytes_ = 2;
  uint32_t packetsPerUnit_;
  uint64_t packetsRead_ = 0;
  std::vector<uint8_t> pcm_;  // decoded, from at_ on not taken yet
  size_t at_ = 0;
  uint64_t framesTaken_ = 0;
};
