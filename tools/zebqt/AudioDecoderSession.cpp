#include "tools/zebqt/AudioDecoderSession.h"

#include "tools/zebqt/FrameRecords.h"

AudioDecoderSession::AudioDecoderSession(const PluginLibrary& plugin, const SPlugStreamInfo& stream)
    : destroy_(plugin.Require<PFN_DestroyAudioDecoder>(ZEB_ORD_DestroyAudioDecoder)),
      decode_(plugin.Require<PFN_DecodeAudio>(ZEB_ORD_DecodeAudio)),
      fetch_(plugin.Require<PFN_GetDecodedAudio>(ZEB_ORD_GetDecodedAudio)) {
  const auto open = plugin.Require<PFN_OpenAudioDecoder>(ZEB_ORD_OpenAudioDecoder);
  handle_ = plugin.Require<PFN_CreateAudioDecoder>(ZEB_ORD_CreateAudioDecoder)();
  if (handle_ == nullptr) throw Failure(kExitPlugin, "the plug-in could not create a decoder");
  const SPlugPrivateDesc description{stream.privateKind, stream.privateAddress, stream.privateSize};
  const uint32_t result = open(handle_, 0, &description);
  if (result != ZEB_OK) {
    destroy_(handle_);
    CheckStep(result, "opening the audio decoder");
  }
}

AudioDecoderSession::~AudioDecoderSession() { destroy_(handle_); }

std::span<const uint8_t> AudioDecoderSession::Decode(std::span<const uint8_t> unit,
                                                     uint32_t packets, uint64_t first) {
  SPlugFrameInfo coded = NewFrameInfo();
  coded.dataSize = static_cast<uint32_t>(unit.size());
  coded.unitCount = packets;
  const std::string where = "audio at packet " + std::to_string(first);
  CheckStep(decode_(handle_, unit.data(), &coded), "decoding " + where);
  uint8_t* pcm = nullptr;
  SPlugFrameInfo info = NewFrameInfo();
  CheckStep(fetch_(handle_, &pcm, &info), "fetching the PCM of " + where);
  if (pcm == nullptr) return {};
  return {pcm, info.dataSize};
}
