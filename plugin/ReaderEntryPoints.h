// The reader family's exported functions (ordinals 400..431). Each takes the
// CQuickTimeSpliter handle first and forwards to one of its methods; the
// stubs answer their constant without touching the handle.
#pragma once

#include <cstdint>

#include "zebplug/ZEBPlugRecords.h"

extern "C" {

void* CreateReader();
uint32_t DestroyReader(void* reader);
uint32_t ReaderReturnZero(void* reader);
uint32_t ReaderReturnOne(void* reader);
uint32_t ReaderNotSupported(void* reader);
uint32_t Reserved416(void* reader, uint32_t a1, uint32_t a2, uint32_t a3);
uint32_t Reserved427(void* reader, uint32_t a1, uint32_t a2, uint32_t a3, uint32_t a4);
uint32_t GetProgramCount(void* reader);
uint32_t GetVideoStreamCount(void* reader, uint32_t program);
uint32_t GetVideoStreamInfo(void* reader, uint32_t program, uint32_t index, SPlugStreamInfo* info);
uint32_t GetAudioStreamCount(void* reader, uint32_t program);
uint32_t SelectStreams(void* reader, uint32_t program, uint32_t video, uint32_t unused,
                       uint32_t audio);
uint32_t GetReaderState(void* reader);
uint32_t GetMaxVideoFrameSize(void* reader);
uint32_t GetReservedSize(void* reader);
uint32_t OpenReader(void* reader, const SPlugOpenParam* param, uint32_t unused1, uint32_t unused2);
uint32_t GetAudioStreamInfo(void* reader, uint32_t program, uint32_t index, SPlugStreamInfo* info);
uint32_t SetReadOptions(void* reader, const uint32_t* options);
uint32_t GetReadOptions(void* reader, uint32_t* options);
uint32_t ReadVideoFrame(void* reader, uint32_t index, uint8_t* buffer, SPlugFrameInfo* info);
uint32_t ReadVideoFrameShared(void* reader, uint32_t index, uint8_t** buffer, SPlugFrameInfo* info);
uint32_t ReadKeyFrameBefore(void* reader, uint32_t index, uint8_t** buffer, SPlugFrameInfo* info);
uint32_t PeekKeyFrameBefore(void* reader, uint32_t index, SPlugFrameInfo* info);
uint32_t ReadCurrentVideoFrame(void* reader, uint8_t** buffer, SPlugFrameInfo* info);
uint32_t ReadCurrentFrameInfo(void* reader, SPlugFrameInfo* info);
uint32_t PeekNextReferenceFrame(void* reader, uint32_t index, SPlugFrameInfo* info);
uint32_t ReadAudioSamples(void* reader, uint32_t start, uint32_t count, uint8_t* buffer,
                          SPlugFrameInfo* info);
uint32_t ReadAudioSamplesAlt(void* reader, uint32_t start, uint32_t count, uint8_t** buffer,
                             SPlugFrameInfo* info);

}  // extern "C"
