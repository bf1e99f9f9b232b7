// Compresses little-endian PCM into a QuickTime sound format through the
// media layer's sound converter. Streams of more than two channels are coded
// as consecutive stereo pairs, each through its own converter; a coded block
// holds pair 0's packets, then pair 1's, and so on. Each block comes with the
// audio description block (compression id, samples per packet, the sound
// description) that the movie writer describes the track from.
//
// Used by one thread at a time: the audio encoder that owns it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/codec/SoundEncoder.h"
#include "platform/movie/Handle.h"

struct AudioEncoderParams {
  uint32_t format = 0;  // the target's four-character code
  uint32_t channels = 0;
  uint32_t sampleSize = 0;  // bits of one input value
  uint32_t sampleRate = 0;  // Hz
  uint32_t bitRate = 0;
};

// One unit of coded audio as the host receives it: a run of the output.
struct EncodedAudioUnit {
  const uint8_t* data = nullptr;
  uint32_t bytes = 0;
  uint32_t frames = 0;   // packets, or samples for codings of one sample a packet
  uint32_t samples = 0;  // audio frames of a unit of one packet; 0 for the others
};

class CQTAEnCoder {
 public:
  CQTAEnCoder();
  virtual ~CQTAEnCoder();
  CQTAEnCoder(const CQTAEnCoder&) = delete;
  CQTAEnCoder& operator=(const CQTAEnCoder&) = delete;

  // 0; 0x8000050C when a converter cannot be opened, 0x80000503 when the
  // conversion cannot begin. `custom` (the settings dialog's codec settings)
  // is handed to the converters when `customSize` is above 0.
  uint32_t Open(const AudioEncoderParams& params, const uint8_t* custom, uint32_t customSize);
  // Codes `size` bytes of interleaved PCM; `end` drains the converters. The
  // coded bytes stay in the output buffer until the next Encode or Close.
  // Always 0: a conversion error leaves the counts at what was written.
  uint32_t Encode(const uint8_t* pcm, uint32_t size, const uint8_t** out, uint32_t* outBytes,
                  uint32_t* outFrames, bool end);
  void Close();

  // Compression id (sign-extended), samples per packet, the sound description.
  std::span<const uint8_t> DescriptionBlock() const { return block_; }
  int32_t CompressionId() const { return compressionId_; }
  uint32_t SamplesPerPacket() const { return samplesPerPacket_; }
  // The block for one unit: the block above, or for a unit of one packet
  // shorter than the others (the end of the stream) a copy whose samples per
  // packet are the packet's own, so that the track lasts as long as the PCM.
  // Valid until the next call.
  std::span<const uint8_t> DescriptionBlockFor(const EncodedAudioUnit& unit);
  // The units of the last Encode, in order: the whole block for codings of
  // constant-size packets; one packet of every pair each for codings whose
  // packets vary, since the movie writer records one size for all the
  // packets of a unit.
  std::span<const EncodedAudioUnit> Units() const { return units_; }

 private:
  struct FillRecord {
    zeb::codec::SoundComponentData desc;
    int32_t recordSize = 0;
    int32_t extendedFlags = 0;
    int32_t bufferSize = 0;
    bool hasData = false;
  };

  static bool FillCallback(zeb::codec::SoundComponentData** data, void* refCon);
  uint32_t OpenConverters(const AudioEncoderParams& params, uint32_t fixedRate,
                          const uint8_t* custom, uint32_t customSize);
  void FillDescription(const AudioEncoderParams& params, uint32_t fixedRate);
  void ApplyCompressionInfo();
  bool AddWaveExtension(zeb::movie::Handle wave, uint32_t format);
  void BuildDescriptionBlock();
  std::span<const uint8_t> PairInput(const uint8_t* pcm, uint32_t size, uint32_t pair);
  void CutUnits(uint32_t totalBytes, uint32_t frames,
                const std::vector<std::vector<zeb::codec::SoundEncoderPacket>>& packets);

  std::vector<zeb::codec::SoundEncoder> converters_;  // one a pair
  uint32_t pairs_ = 1;
  uint32_t channelsPerPair_ = 0;
  std::unique_ptr<uint8_t[]> pairBuffer_;
  uint32_t pairBufferSize_ = 0;
  std::unique_ptr<uint8_t[]> output_;
  uint32_t outputSize_ = 0;
  uint32_t frameBytes_ = 0;
  FillRecord fill_;
  zeb::movie::OwnedHandle description_;
  int32_t compressionId_ = 0;
  uint32_t samplesPerPacket_ = 0;
  std::vector<uint8_t> block_;
  std::vector<uint8_t> shortBlock_;
  std::vector<EncodedAudioUnit> units_;
  std::vector<uint8_t> unitBuffer_;  // packets of several pairs side by side
};
