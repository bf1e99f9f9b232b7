#include "plugin/AudioEncoderEntryPoints.h"

#include <new>

#include "codecs/QTAudioEncoder.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

QTAudioEncoder* Encoder(void* handle) { return static_cast<QTAudioEncoder*>(handle); }

}  // namespace

extern "C" {

void* CreateAudioEncoder() { return new (std::nothrow) QTAudioEncoder(); }

uint32_t DestroyAudioEncoder(void* encoder) {
  if (encoder == nullptr) return ZEB_OK;
  Encoder(encoder)->Close();
  delete Encoder(encoder);
  return ZEB_OK;
}

uint32_t AudioEncoderReturnZero(void*) { return ZEB_OK; }

uint32_t AudioEncoderIgnoreValue(void*, uint32_t) { return ZEB_OK; }

uint32_t CloseAudioEncoder(void* encoder) { return Encoder(encoder)->Close(); }

uint32_t CheckAudioEncoderFormat(void* encoder, const SPlugAudioStreamInfo* info) {
  return Encoder(encoder)->CheckFormat(info);
}

uint32_t OpenAudioEncoder(void* encoder, const SPlugAudioStreamInfo* info,
                          const SPlugPrivateDesc* custom) {
  return Encoder(encoder)->Open(info, custom);
}

uint32_t EncodeAudio(void* encoder, const uint8_t* data, const SPlugFrameInfo* info) {
  return Encoder(encoder)->EncodeAudio(data, info);
}

uint32_t EncodeAudioChannel(void* encoder, uint32_t channel, const uint8_t* data,
                            const SPlugFrameInfo* info) {
  return Encoder(encoder)->EncodeAudioChannel(channel, data, info);
}

uint32_t GetEncodedAudio(void* encoder, const uint8_t** data, SPlugFrameInfo* info) {
  return Encoder(encoder)->GetEncodedAudio(data, info);
}

}  // extern "C"
