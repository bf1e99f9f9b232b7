// The C entry points of the stream analysers in ZEBProxyCodecU; a null record
// is refused.
#include "framework/proxy/analysis/ByteView.h"
#include "framework/proxy/analysis/DvFrame.h"
#include "framework/proxy/analysis/H264FrameType.h"
#include "framework/proxy/analysis/MpegVideoAnalysis.h"
#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"

using zeb::analysis::ByteView;

extern "C" {

uint32_t GetMpegVideoInfo(const uint8_t* data, uint32_t size, SPlugVideoStreamInfo* info) {
  if (info == nullptr) return ZEB_ANALYSIS_INVALID;
  return zeb::analysis::DescribeMpegVideo(ByteView(data, size), info);
}

uint32_t GetMpegVideoRef(const uint8_t* data, uint32_t size, MpegVideoInfo* info) {
  if (info == nullptr) return ZEB_ANALYSIS_INVALID;
  return zeb::analysis::DescribeMpegPicture(ByteView(data, size), info);
}

uint32_t GetDVVideoInfo(const uint8_t* data, uint32_t size, SPlugVideoStreamInfo* info) {
  if (info == nullptr) return ZEB_ANALYSIS_INVALID;
  return zeb::analysis::DescribeDvFrame(ByteView(data, size), info);
}

uint32_t GetH264FrameType(const uint8_t* data, uint32_t size) {
  return zeb::analysis::ClassifyH264AccessUnit(ByteView(data, size));
}

}  // extern "C"
