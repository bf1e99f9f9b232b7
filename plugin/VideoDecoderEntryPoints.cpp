#include "plugin/VideoDecoderEntryPoints.h"

#include <new>

#include "codecs/CQTSuppotVideoDec.h"
#include "writer/BuildVideoSampleDescription.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr int32_t kUnspecified = 2;  // ISO/IEC 23001-8

CQTSuppotVideoDec* Decoder(void* handle) { return static_cast<CQTSuppotVideoDec*>(handle); }

// The description a stream without one gets: the writer's, from the stream
// record. No bit rate; colour "unspecified" (code point 2).
zeb::movie::Handle BuildDecoderDescription(uint32_t fourcc, const SPlugVideoStreamInfo& stream) {
  VideoDescriptionRequest request = DescriptionRequestFor(fourcc, stream);
  request.bitRate = 0;
  request.colorPrimaries = kUnspecified;
  request.transferFunction = kUnspecified;
  request.matrix = kUnspecified;
  return BuildVideoSampleDescription(request, nullptr);
}

}  // namespace

extern "C" {

void* CreateVideoDecoder() { return new (std::nothrow) CQTSuppotVideoDec(BuildDecoderDescription); }

uint32_t DestroyVideoDecoder(void* decoder) {
  delete Decoder(decoder);
  return ZEB_OK;
}

uint32_t VideoDecoderReturnZero(void*) { return ZEB_OK; }

uint32_t OpenVideoDecoder(void* decoder, SPlugVideoStreamInfo* info,
                          const SPlugPrivateDesc* description) {
  return Decoder(decoder)->Open(info, description);
}

uint32_t GetVideoDecoderOutputFormat(void* decoder, const SPlugVideoFrameFormat* requested,
                                     SPlugVideoFrameFormat* format) {
  return Decoder(decoder)->GetOutputFormat(requested, format);
}

uint32_t DecodeVideoFrame(void* decoder, const uint8_t* data, SPlugFrameInfo* info) {
  return Decoder(decoder)->Decode(data, info);
}

uint32_t GetDecodedVideoFrame(void* decoder, SPlugVideoFrame* picture, SPlugFrameInfo* info) {
  return Decoder(decoder)->GetDecodedFrame(picture, info);
}

}  // extern "C"
