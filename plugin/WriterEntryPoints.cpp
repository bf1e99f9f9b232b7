#include "plugin/WriterEntryPoints.h"

#include <new>

#include "writer/CMuxerForQuickTime.h"
#include "writer/MuxerStreamCheck.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

CMuxerForQuickTime* Muxer(void* handle) { return static_cast<CMuxerForQuickTime*>(handle); }

}  // namespace

extern "C" {

void* MuxerCreate() { return new (std::nothrow) CMuxerForQuickTime(); }

uint32_t MuxerDestroy(void* muxer) {
  delete Muxer(muxer);  // the destructor closes, which finishes the movie
  return ZEB_OK;
}

uint32_t MuxerReturnZero() { return 0; }
uint32_t MuxerReturnOne() { return 1; }
uint32_t MuxerNotSupported() { return ZEB_E_NOT_SUPPORTED; }
uint32_t MuxerEntry508(void* /*muxer*/) { return 0; }

uint32_t MuxerCheckStreams(void* /*muxer*/, SPlugMuxStreamCheck* streams) {
  return streams != nullptr ? CheckMuxerStreams(*streams) : ZEB_E_NULL_POINTER;
}

uint32_t MuxerOpen(void* muxer, const SPlugOpenParam* open, const SPlugMuxParam* param) {
  if (muxer == nullptr || open == nullptr || param == nullptr) return ZEB_E_NULL_POINTER;
  return Muxer(muxer)->Open(*open, *param);
}

uint32_t MuxerWrite(void* muxer, uint32_t stream, const uint8_t* data, const SPlugFrameInfo* info) {
  if (muxer == nullptr || info == nullptr) return ZEB_E_NULL_POINTER;
  return Muxer(muxer)->Write(stream, data, *info);
}

}  // extern "C"
