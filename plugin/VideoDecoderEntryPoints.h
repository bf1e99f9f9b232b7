// The video decoder family's exported functions (ordinals 1..11). Each takes
// the CQTSuppotVideoDec handle first and forwards to one of its methods; the
// stubs answer 0 without touching the handle.
#pragma once

#include <cstdint>

#include "zebplug/ZEBPlugRecords.h"

extern "C" {

void* CreateVideoDecoder();
uint32_t DestroyVideoDecoder(void* decoder);
uint32_t VideoDecoderReturnZero(void* decoder);
uint32_t OpenVideoDecoder(void* decoder, SPlugVideoStreamInfo* info,
                          const SPlugPrivateDesc* description);
uint32_t GetVideoDecoderOutputFormat(void* decoder, const SPlugVideoFrameFormat* requested,
                                     SPlugVideoFrameFormat* format);
uint32_t DecodeVideoFrame(void* decoder, const uint8_t* data, SPlugFrameInfo* info);
uint32_t GetDecodedVideoFrame(void* decoder, SPlugVideoFrame* picture, SPlugFrameInfo* info);

}  // extern "C"
