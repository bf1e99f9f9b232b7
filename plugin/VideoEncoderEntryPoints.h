// The video encoder family's exported functions (ordinals 101..111). Each
// takes the CQTSupportVideoEnc handle first and forwards to one of its
// methods; the stubs answer 0 without touching the handle.
#pragma once

#include <cstdint>

#include "zebplug/ZEBPlugRecords.h"

extern "C" {

void* CreateVideoEncoder();
uint32_t DestroyVideoEncoder(void* encoder);
uint32_t VideoEncoderReturnZero(void* encoder);
uint32_t OpenVideoEncoder(void* encoder, SPlugVideoStreamInfo* info,
                          const SPlugPrivateDesc* settings);
uint32_t QueryVideoEncoderInput(void* encoder, SPlugVideoStreamInfo* info);
uint32_t GetVideoEncoderInputFormat(void* encoder, uint32_t ignored, SPlugVideoFrameFormat* format);
uint32_t EncodeVideoFrame(void* encoder, const SPlugVideoFrame* picture,
                          const SPlugFrameInfo* info);
uint32_t GetEncodedVideoFrame(void* encoder, uint8_t** data, SPlugFrameInfo* info);

}  // extern "C"
