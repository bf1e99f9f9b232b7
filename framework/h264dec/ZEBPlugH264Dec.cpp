// The four exports of the H.264 analyser plug-in.
#include <new>

#include "framework/h264dec/H264StreamAnalyzer.h"
#include "framework/h264dec/include/ZEBPlugH264Dec.h"
#include "framework/proxy/analysis/ByteView.h"

using zeb::h264dec::H264StreamAnalyzer;

extern "C" {

void* CreateH264Analyzer(uint32_t /*flags*/) { return new (std::nothrow) H264StreamAnalyzer(); }

void DestroyH264Analyzer(void* analyzer) { delete static_cast<H264StreamAnalyzer*>(analyzer); }

void ResetH264Analyzer(void* analyzer) {
  if (analyzer != nullptr) static_cast<H264StreamAnalyzer*>(analyzer)->Reset();
}

uint32_t GetH264VideoStreamInfo(void* analyzer, SPlugVideoStreamInfo* info, const uint8_t* data,
                                uint32_t size) {
  if (analyzer == nullptr || info == nullptr) return ZEB_ANALYSIS_INVALID;
  return static_cast<H264StreamAnalyzer*>(analyzer)->Analyse(zeb::analysis::ByteView(data, size),
                                                             info);
}

}  // extern "C"
