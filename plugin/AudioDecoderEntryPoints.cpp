#include "plugin/AudioDecoderEntryPoints.h"

#include <new>

#include "codecs/CQTSupportAudioDec.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

CQTSupportAudioDec* Decoder(void* handle) { return static_cast<CQTSupportAudioDec*>(handle); }

}  // namespace

extern "C" {

void* CreateAudioDecoder() { return new (std::nothrow) CQTSupportAudioDec; }

uint32_t DestroyAudioDecoder(void* decoder) {
  if (decoder == nullptr) return ZEB_OK;
  Decoder(decoder)->Close();
  delete Decoder(decoder);
  return ZEB_OK;
}

uint32_t AudioDecoderReturnZero(void*) { return ZEB_OK; }

uint32_t AudioDecoderEntry208(void*, uint32_t, uint32_t) { return ZEB_OK; }

uint32_t CloseAudioDecoder(void* decoder) { return Decoder(decoder)->Close(); }

uint32_t OpenAudioDecoder(void* decoder, uint32_t, const SPlugPrivateDesc* description) {
  return Decoder(decoder)->Open(description);
}

uint32_t IsAudioPacketSizeConstant(void* decoder) {
  return Decoder(decoder)->IsPacketSizeConstant();
}

uint32_t DecodeAudio(void* decoder, const uint8_t* data, const SPlugFrameInfo* info) {
  return Decoder(decoder)->Decode(data, info);
}

uint32_t GetDecodedAudio(void* decoder, uint8_t** pcm, SPlugFrameInfo* info) {
  return Decoder(decoder)->GetDecoded(pcm, info);
}

}  // extern "C"
