// A decompression sequence: one libavcodec decoder drawing into one world.
//
// libavcodec hands pictures out in display order, after the codec's reorder
// delay; the media layer's callers expect the picture of the frame they just
// gave. The decoder allocates a frame's picture through get_buffer2 while it
// decodes that frame, so the sequence keeps a reference to the last buffer
// allocated during one call and draws it once the call's decoding is done.
// That needs every frame decoded before avcodec_send_packet or the receive
// loop returns, which slice threads give and frame threads do not.
#include <cstring>
#include <memory>
#include <new>

#include "platform/codec/GraphicsWorld.h"
#include "platform/codec/ImageCodec.h"
#include "platform/codec/ImageDescription.h"
#include "platform/codec/LibavObjects.h"
#include "platform/codec/PictureConverter.h"

namespace zeb::codec {

struct DecompressionSequence {
  CodecContextPtr decoder;
  PacketPtr packet{av_packet_alloc()};
  FramePtr shown{av_frame_alloc()};  // pictures leaving the decoder, dropped
  FramePtr drawn{av_frame_alloc()};  // the buffer of the frame being decoded
  PictureConverter converter;
  GraphicsWorld* world = nullptr;
};

namespace {

int KeepFrameBuffer(AVCodecContext* context, AVFrame* frame, int flags) {
  const int result = avcodec_default_get_buffer2(context, frame, flags);
  if (result < 0) return result;
  auto* sequence = static_cast<DecompressionSequence*>(context->opaque);
  av_frame_unref(sequence->drawn.get());
  // Without the reference the frame is simply not drawn.
  if (av_frame_ref(sequence->drawn.get(), frame) < 0) av_frame_unref(sequence->drawn.get());
  return 0;
}

// Takes every picture the decoder has ready; they are not needed, since the
// world shows the frame decoded, but they must leave for the decoder to take
// more packets.
void DropShownPictures(DecompressionSequence& sequence) {
  while (avcodec_receive_frame(sequence.decoder.get(), sequence.shown.get()) >= 0) {
    av_frame_unref(sequence.shown.get());
  }
}

OSErr DecodeFrame(DecompressionSequence& sequence, const uint8_t* data, int32_t dataSize) {
  if (data == nullptr || dataSize <= 0) return kParamErr;
  AVPacket* packet = sequence.packet.get();
  av_packet_unref(packet);
  // av_new_packet adds the zeroed padding libavcodec's bit readers run into.
  if (av_new_packet(packet, dataSize) < 0) return kMemFullErr;
  std::memcpy(packet->data, data, static_cast<size_t>(dataSize));
  av_frame_unref(sequence.drawn.get());
  int sent = avcodec_send_packet(sequence.decoder.get(), packet);
  if (sent == AVERROR(EAGAIN)) {
    DropShownPictures(sequence);
    sent = avcodec_send_packet(sequence.decoder.get(), packet);
  }
  DropShownPictures(sequence);
  // The buffer has the coded size; the visible picture is the decoder's
  // size from its top-left corner.
  const AVCodecContext& decoder = *sequence.decoder;
  const bool drawn =
      sent >= 0 && sequence.drawn->buf[0] != nullptr &&
      sequence.converter.Draw(*sequence.drawn, decoder.width, decoder.height, *sequence.world);
  av_frame_unref(sequence.drawn.get());
  return drawn ? OSErr{0} : kCodecBadDataErr;
}

OSErr OpenDecoder(DecompressionSequence& sequence, const DescribedImage& image,
                  DecompressorComponent codec) {
  const AVCodec* decoder = codec == nullptr ? nullptr : avcodec_find_decoder_by_name(codec);
  if (decoder == nullptr) return kNoCodecErr;
  sequence.decoder.reset(avcodec_alloc_context3(decoder));
  AVCodecContext* context = sequence.decoder.get();
  if (context == nullptr) return kMemFullErr;
  context->codec_tag = ToCodecTag(image.codecType);
  context->width = image.width;
  context->height = image.height;
  context->bits_per_coded_sample = image.depth;
  if (!image.configuration.empty()) {
    const size_t size = image.configuration.size();
    context->extradata = static_cast<uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
    if (context->extradata == nullptr) return kMemFullErr;
    std::memcpy(context->extradata, image.configuration.data(), size);
    context->extradata_size = static_cast<int>(size);
  }
  context->thread_type = FF_THREAD_SLICE;
  context->thread_count = 0;
  context->opaque = &sequence;
  context->get_buffer2 = KeepFrameBuffer;
  return avcodec_open2(context, decoder, nullptr) < 0 ? kCodecErr : OSErr{0};
}

}  // namespace

OSErr DecompressSequenceBeginS(ImageSequence* sequence, zeb::movie::Handle description,
                               const uint8_t* data, int32_t dataSize, GWorldPtr port,
                               const Rect* sourceRect, const void* matrix, int16_t mode,
                               const void* mask, uint32_t /*flags*/, uint32_t /*accuracy*/,
                               DecompressorComponent codec) {
  if (sequence == nullptr) return kParamErr;
  *sequence = nullptr;
  if (port == nullptr || sourceRect != nullptr || matrix != nullptr || mask != nullptr ||
      mode != 0) {
    return kParamErr;
  }
  DescribedImage image;
  if (!ReadImageDescription(description, image).IsOk()) return kParamErr;
  auto made = std::unique_ptr<DecompressionSequence>(new (std::nothrow) DecompressionSequence);
  if (!made || !made->packet || !made->shown || !made->drawn) return kMemFullErr;
  made->world = port;
  const OSErr opened = OpenDecoder(*made, image, codec);
  if (opened != 0) return opened;
  if (data != nullptr && dataSize > 0) static_cast<void>(DecodeFrame(*made, data, dataSize));
  *sequence = made.release();
  return 0;
}

OSErr DecompressSequenceFrameS(ImageSequence sequence, const uint8_t* data, int32_t dataSize,
                               uint32_t /*inFlags*/, uint32_t* outFlags,
                               const void* /*completion*/) {
  if (outFlags != nullptr) *outFlags = 0;
  if (sequence == nullptr) return kParamErr;
  return DecodeFrame(*sequence, data, dataSize);
}

int32_t GetDSequenceReorderDepth(ImageSequence sequence) {
  return sequence == nullptr ? 0 : sequence->decoder->has_b_frames;
}

OSErr CDSequenceEnd(ImageSequence sequence) {
  delete sequence;
  return 0;
}

}  // namespace zeb::codec
