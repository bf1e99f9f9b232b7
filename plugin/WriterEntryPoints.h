// The muxer family's exported functions (ordinals 500..511). Those that take
// the CMuxerForQuickTime handle forward to it; the stubs answer their
// constant without touching anything.
#pragma once

#include <cstdint>

#include "zebplug/ZEBPlugRecords.h"

extern "C" {

void* MuxerCreate();
uint32_t MuxerDestroy(void* muxer);
uint32_t MuxerReturnZero();
uint32_t MuxerReturnOne();
uint32_t MuxerNotSupported();
uint32_t MuxerCheckStreams(void* muxer, SPlugMuxStreamCheck* streams);
uint32_t MuxerOpen(void* muxer, const SPlugOpenParam* open, const SPlugMuxParam* param);
uint32_t MuxerEntry508(void* muxer);
uint32_t MuxerWrite(void* muxer, uint32_t stream, const uint8_t* data, const SPlugFrameInfo* info);

}  // extern "C"
