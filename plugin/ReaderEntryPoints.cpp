#include "plugin/ReaderEntryPoints.h"

#include <new>

#include "reader/CQuickTimeSpliter.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

CQuickTimeSpliter* Spliter(void* handle) { return static_cast<CQuickTimeSpliter*>(handle); }

}  // namespace

extern "C" {

void* CreateReader() { return new (std::nothrow) CQuickTimeSpliter(); }

uint32_t DestroyReader(void* reader) {
  delete Spliter(reader);
  return ZEB_OK;
}

uint32_t ReaderReturnZero(void*) { return 0; }
uint32_t ReaderReturnOne(void*) { return 1; }
uint32_t ReaderNotSupported(void*) { return ZEB_E_NOT_SUPPORTED; }
uint32_t Reserved416(void*, uint32_t, uint32_t, uint32_t) { return ZEB_E_NOT_SUPPORTED; }
uint32_t Reserved427(void*, uint32_t, uint32_t, uint32_t, uint32_t) { return ZEB_E_NOT_SUPPORTED; }

uint32_t OpenReader(void* reader, const SPlugOpenParam* param, uint32_t /*unused1*/,
                    uint32_t /*unused2*/) {
  return Spliter(reader)->Open(param);
}

uint32_t GetProgramCount(void* reader) { return Spliter(reader)->GetProgramCount(); }

uint32_t GetVideoStreamCount(void* reader, uint32_t /*program*/) {
  return Spliter(reader)->GetVideoStreamCount();
}

uint32_t GetVideoStreamInfo(void* reader, uint32_t program, uint32_t index, SPlugStreamInfo* info) {
  return Spliter(reader)->GetVideoStreamInfo(program, index, info);
}

uint32_t GetAudioStreamCount(void* reader, uint32_t /*program*/) {
  return Spliter(reader)->GetAudioStreamCount();
}

uint32_t GetAudioStreamInfo(void* reader, uint32_t program, uint32_t index, SPlugStreamInfo* info) {
  return Spliter(reader)->GetAudioStreamInfo(program, index, info);
}

uint32_t SelectStreams(void* reader, uint32_t program, uint32_t video, uint32_t /*unused*/,
                       uint32_t audio) {
  return Spliter(reader)->SelectStreams(program, video, audio);
}

uint32_t GetReaderState(void* reader) { return Spliter(reader)->GetState(); }

uint32_t GetMaxVideoFrameSize(void* reader) { return Spliter(reader)->GetMaxVideoFrameSize(); }

uint32_t GetReservedSize(void* reader) { return Spliter(reader)->GetReservedSize(); }

uint32_t SetReadOptions(void* reader, const uint32_t* options) {
  return Spliter(reader)->SetReadOptions(options);
}

uint32_t GetReadOptions(void* reader, uint32_t* options) {
  return Spliter(reader)->GetReadOptions(options);
}

uint32_t ReadVideoFrame(void* reader, uint32_t index, uint8_t* buffer, SPlugFrameInfo* info) {
  return Spliter(reader)->ReadVideoFrame(index, buffer, info);
}

uint32_t ReadVideoFrameShared(void* reader, uint32_t index, uint8_t** buffer,
                              SPlugFrameInfo* info) {
  return Spliter(reader)->ReadVideoFrameShared(index, buffer, info);
}

uint32_t ReadKeyFrameBefore(void* reader, uint32_t index, uint8_t** buffer, SPlugFrameInfo* info) {
  return Spliter(reader)->ReadKeyFrameBefore(index, buffer, info);
}

uint32_t PeekKeyFrameBefore(void* reader, uint32_t index, SPlugFrameInfo* info) {
  return Spliter(reader)->PeekKeyFrameBefore(index, info);
}

uint32_t ReadCurrentVideoFrame(void* reader, uint8_t** buffer, SPlugFrameInfo* info) {
  return Spliter(reader)->ReadCurrentVideoFrame(buffer, info);
}

uint32_t ReadCurrentFrameInfo(void* reader, SPlugFrameInfo* info) {
  return Spliter(reader)->ReadCurrentFrameInfo(info);
}

uint32_t PeekNextReferenceFrame(void* reader, uint32_t index, SPlugFrameInfo* info) {
  return Spliter(reader)->PeekNextReferenceFrame(index, info);
}

uint32_t ReadAudioSamples(void* reader, uint32_t start, uint32_t count, uint8_t* buffer,
                          SPlugFrameInfo* info) {
  return Spliter(reader)->ReadAudioSamples(start, count, buffer, info);
}

uint32_t ReadAudioSamplesAlt(void* reader, uint32_t start, uint32_t count, uint8_t** buffer,
                             SPlugFrameInfo* info) {
  return Spliter(reader)->ReadAudioSamplesAlt(start, count, buffer, info);
}

}  // extern "C"
