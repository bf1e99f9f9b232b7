// The audio encoder family's exported functions (ordinals 300..311). Each
// takes the QTAudioEncoder handle first and forwards to one of its methods;
// the stubs answer 0 without touching the handle.
#pragma once

#include <cstdint>

#include "zebplug/ZEBPlugRecords.h"

extern "C" {

void* CreateAudioEncoder();
uint32_t DestroyAudioEncoder(void* encoder);
uint32_t AudioEncoderReturnZero(void* encoder);
uint32_t AudioEncoderIgnoreValue(void* encoder, uint32_t value);
uint32_t CloseAudioEncoder(void* encoder);
uint32_t CheckAudioEncoderFormat(void* encoder, const SPlugAudioStreamInfo* info);
uint32_t OpenAudioEncoder(void* encoder, const SPlugAudioStreamInfo* info,
                          const SPlugPrivateDesc* custom);
uint32_t EncodeAudio(void* encoder, const uint8_t* data, const SPlugFrameInfo* info);
uint32_t EncodeAudioChannel(void* encoder, uint32_t channel, const uint8_t* data,
                            const SPlugFrameInfo* info);
uint32_t GetEncodedAudio(void* encoder, const uint8_t** data, SPlugFrameInfo* info);

}  // extern "C"
