// What the audio decoder's tests share: a decoder driven through the
// plug-in's ordinal table as a host drives it, a movie's first sound stream
// read with the reader family, and the ffmpeg tool's decode as the reference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/host/TestPlugin.h"
#include "zebplug/ZEBPlug.h"

namespace zeb::test {

struct ReadSound;

// One CQTSupportAudioDec behind its handle (ordinals 200 and 201); each call
// below is one ordinal.
class HostAudioDecoder : public HostObject {
 public:
  explicit HostAudioDecoder(const TestPlugin& plugin)
      : HostObject(plugin, ZEB_ORD_CreateAudioDecoder, ZEB_ORD_DestroyAudioDecoder) {}

  uint32_t Open(const SPlugPrivateDesc* description) {
    return Call<PFN_OpenAudioDecoder>(ZEB_ORD_OpenAudioDecoder, 0u, description);
  }
  // Opens on `sound`'s description.
  uint32_t OpenOn(ReadSound& sound);
  uint32_t Close() { return Call<PFN_AudioDecoderStub>(ZEB_ORD_CloseAudioDecoder); }
  uint32_t IsPacketSizeConstant() {
    return Call<PFN_AudioDecoderStub>(ZEB_ORD_IsAudioPacketSizeConstant);
  }
  uint32_t Decode(const uint8_t* data, const SPlugFrameInfo* info) {
    return Call<PFN_DecodeAudio>(ZEB_ORD_DecodeAudio, data, info);
  }
  uint32_t Fetch(uint8_t** pcm, SPlugFrameInfo* info) {
    return Call<PFN_GetDecodedAudio>(ZEB_ORD_GetDecodedAudio, pcm, info);
  }
  // DecodeAudio then GetDecodedAudio; the PCM copied out.
  std::vector<uint8_t> DecodeUnit(const std::vector<uint8_t>& unit, uint32_t count,
                                  SPlugFrameInfo& info);
};

// A block of coded audio as the reader delivered it.
struct AudioUnit {
  std::vector<uint8_t> bytes;
  uint32_t count = 0;  // packets
};

// The first sound stream of a movie read front to back, `block` packets a
// read (ordinal 428).
struct ReadSound {
  SPlugStreamInfo stream;
  std::vector<uint8_t> description;  // the kind-7 sound description's bytes
  std::vector<AudioUnit> units;
};
ReadSound ReadWholeSound(const TestPlugin& plugin, const std::string& path, uint32_t block);

// The triple that hands the decoder `sound`'s description.
SPlugPrivateDesc DescriptionOf(ReadSound& sound);

// The ffmpeg tool's decode of the first sound stream of every packet (edit
// list ignored, so encoder priming stays) as raw `format` ("s16le"), with
// the tool's output `options` ("-ar 22050").
std::vector<uint8_t> ReferenceAudio(const std::string& path, const std::string& format,
                                    const std::string& options = "");

}  // namespace zeb::test
