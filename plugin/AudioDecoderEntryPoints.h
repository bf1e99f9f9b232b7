// The audio decoder family's exported functions (ordinals 200..211). Each
// takes the CQTSupportAudioDec handle first and forwards to one of its
// methods; the stubs answer 0 without touching the handle.
#pragma once

#include <cstdint>

#include "zebplug/ZEBPlugRecords.h"

extern "C" {

void* CreateAudioDecoder();
uint32_t DestroyAudioDecoder(void* decoder);
uint32_t AudioDecoderReturnZero(void* decoder);
uint32_t AudioDecoderEntry208(void* decoder, uint32_t a1, uint32_t a2);
uint32_t CloseAudioDecoder(void* decoder);
uint32_t OpenAudioDecoder(void* decoder, uint32_t unused, const SPlugPrivateDesc* description);
uint32_t IsAudioPacketSizeConstant(void* decoder);
uint32_t DecodeAudio(void* decoder, const uint8_t* data, const SPlugFrameInfo* info);
uint32_t GetDecodedAudio(void* decoder, uint8_t** pcm, SPlugFrameInfo* info);

}  // extern "C"
