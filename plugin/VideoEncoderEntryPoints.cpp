#include "plugin/VideoEncoderEntryPoints.h"

#include <new>

#include "codecs/CQTSupportVideoEnc.h"
#include "media/CodecTraits.h"
#include "media/FourCC.h"
#include "platform/codec/Compressors.h"
#include "platform/movie/ByteWriter.h"
#include "writer/DnxhdDescriptionAtoms.h"
#include "writer/ImageExtensions.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr int32_t kUnspecified = 2;  // ISO/IEC 23001-8

CQTSupportVideoEnc* Encoder(void* handle) { return static_cast<CQTSupportVideoEnc*>(handle); }

int32_t CodePoint(uint32_t value) {
  return value == 0 ? kUnspecified : static_cast<int32_t>(value);
}

// The writer's atoms for the stream the encoder codes: DNxHD's own atoms
// for the compression id the compressor codes the stream with; nothing for MPEG IMX, whose
// descriptions are the header alone; else the picture-format atoms, where a colour code the host
// left at 0 says "unspecified".
void AppendStreamExtensions(zeb::movie::Handle description, uint32_t fourcc,
                            const SPlugVideoStreamInfo& stream) {
  if (fourcc == zeb::media::FourCC("AVdn")) {
    zeb::movie::ByteWriter atoms;
    const int id = zeb::codec::DnxhdCompressionId(
        static_cast<int>(stream.width), static_cast<int>(stream.height),
        AVRational{static_cast<int>(stream.frameRateNum), static_cast<int>(stream.frameRateDen)},
        stream.bitRate);
    PutDnxhdAtoms(atoms, DnxhdGeometryOfCompressionId(static_cast<uint32_t>(id)));
    static_cast<void>(AppendDescriptionAtoms(description, atoms.Bytes()));
    return;
  }
  const zeb::media::CodecTraits* codec = zeb::media::FindVideoCodec(fourcc);
  if (codec != nullptr && codec->imxMegabits != 0) return;
  VideoDescriptionRequest request = DescriptionRequestFor(fourcc, stream);
  request.colorPrimaries = CodePoint(stream.colorPrimaries);
  request.transferFunction = CodePoint(stream.transferFunction);
  request.matrix = CodePoint(stream.matrix);
  static_cast<void>(AppendImageExtensions(description, request));
}

}  // namespace

extern "C" {

void* CreateVideoEncoder() { return new (std::nothrow) CQTSupportVideoEnc(AppendStreamExtensions); }

uint32_t DestroyVideoEncoder(void* encoder) {
  delete Encoder(encoder);
  return ZEB_OK;
}

uint32_t VideoEncoderReturnZero(void*) { return ZEB_OK; }

uint32_t OpenVideoEncoder(void* encoder, SPlugVideoStreamInfo* info,
                          const SPlugPrivateDesc* settings) {
  return Encoder(encoder)->Open(info, settings);
}

uint32_t QueryVideoEncoderInput(void* encoder, SPlugVideoStreamInfo* info) {
  return Encoder(encoder)->QueryInput(info);
}

uint32_t GetVideoEncoderInputFormat(void* encoder, uint32_t, SPlugVideoFrameFormat* format) {
  return Encoder(encoder)->GetInputFormat(format);
}

uint32_t EncodeVideoFrame(void* encoder, const SPlugVideoFrame* picture,
                          const SPlugFrameInfo* info) {
  return Encoder(encoder)->Encode(picture, info);
}

uint32_t GetEncodedVideoFrame(void* encoder, uint8_t** data, SPlugFrameInfo* info) {
  return Encoder(encoder)->GetEncodedFrame(data, info);
}

}  // extern "C"
