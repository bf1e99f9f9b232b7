// A compression sequence converts each '2vuy' picture into the encoder's
// pixel format and codes it at once. The compressors are set up without
// reordering or look-ahead, so the frame of a picture leaves in the call
// that gave the picture; a coder that holds it back fails the call.
#include "platform/codec/CompressionSequence.h"

#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <thread>

#include "platform/codec/BandedEncoder.h"
#include "platform/codec/CompressedDescription.h"
#include "platform/codec/LibavObjects.h"
#include "platform/codec/ThreadedScaler.h"

namespace zeb::codec {

struct CompressionSequence {
  const Compressor* compressor = nullptr;
  CodecContextPtr encoder;
  FramePtr picture{av_frame_alloc()};
  PacketPtr packet{av_packet_alloc()};
  ScalerPtr scaler;
  std::unique_ptr<BandedEncoder> bands;  // null: the encoder codes whole pictures
  zeb::movie::ByteWriter joined;         // the bands' frame
  int width = 0;                         // of the pictures given
  int height = 0;
  int codedWidth = 0;  // of the pictures coded
  int codedHeight = 0;
  int64_t nextPts = 0;
  int32_t maxSize = 0;
};

namespace {

constexpr int kRowBytesMask = 0x3FFF;  // the rest of the word is flags

// A coder of the sequence's compressor for pictures `height` lines high;
// `options` may hold settings of the caller's.
OSErr OpenCoder(const CompressionSequence& sequence, const CompressionSettings& settings,
                int height, int threadCount, AVDictionary** options, CodecContextPtr& coder) {
  const Compressor& compressor = *sequence.compressor;
  const AVCodec* codec = avcodec_find_encoder_by_name(compressor.encoder);
  if (codec == nullptr) return kNoCodecErr;
  coder.reset(avcodec_alloc_context3(codec));
  AVCodecContext* context = coder.get();
  if (context == nullptr) return kMemFullErr;
  context->width = sequence.codedWidth;
  context->height = height;
  context->pix_fmt = compressor.pixelFormat;
  context->time_base = av_inv_q(settings.frameRate);
  context->framerate = settings.frameRate;
  // Frame threads would hold frames back; slice threads do not.
  context->thread_type = FF_THREAD_SLICE;
  context->thread_count = threadCount;
  if (compressor.profile != FF_PROFILE_UNKNOWN) {
    av_dict_set_int(options, "profile", compressor.profile, 0);
  }
  // avcodec_open2 replaces the dictionary with the options it did not take.
  const bool configured = compressor.configure(*context, options, settings);
  const int opened = configured ? avcodec_open2(context, codec, options) : -1;
  if (opened < 0) coder.reset();
  return opened < 0 ? kCodecErr : OSErr{0};
}

// Codings whose rows are coded apart are coded in bands, a thread each, when
// more than one core can take them.
void OpenBands(CompressionSequence& sequence, const CompressionSettings& settings) {
  const BandCoding* coding = sequence.compressor->bands;
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  if (coding == nullptr || cores < 2) return;
  sequence.bands = BandedEncoder::Make(*coding, *sequence.encoder, cores,
                                       [&](int height, AVDictionary** options) {
                                         CodecContextPtr coder;
                                         OpenCoder(sequence, settings, height, 1, options, coder);
                                         return coder;
                                       });
}

OSErr OpenEncoder(CompressionSequence& sequence, const CompressionSettings& settings) {
  const Compressor& compressor = *sequence.compressor;
  // libavcodec's DV encoder matches a profile by size and sampling alone.
  if (compressor.fixedRate.num != 0 && av_cmp_q(compressor.fixedRate, settings.frameRate) != 0) {
    return kCodecErr;
  }
  AVDictionary* options = nullptr;
  const OSErr opened =
      OpenCoder(sequence, settings, sequence.codedHeight, 0, &options, sequence.encoder);
  av_dict_free(&options);
  if (opened == 0) OpenBands(sequence, settings);
  return opened;
}

// The JPEG format's full range comes with its pixel format (libswscale
// warns that the name is deprecated, and converts the range).
OSErr PrepareFrames(CompressionSequence& sequence) {
  AVFrame* picture = sequence.picture.get();
  picture->format = sequence.compressor->pixelFormat;
  picture->width = sequence.codedWidth;
  picture->height = sequence.codedHeight;
  if (av_frame_get_buffer(picture, 0) < 0) return kMemFullErr;
  sequence.scaler =
      NewThreadedScaler(sequence.width, sequence.height, AV_PIX_FMT_UYVY422, sequence.codedWidth,
                        sequence.codedHeight, sequence.compressor->pixelFormat);
  return sequence.scaler ? OSErr{0} : kCodecErr;
}

bool ValidSource(const CompressionSequence& sequence, const PixMap* source, const Rect* bounds) {
  if (source == nullptr || bounds == nullptr || source->baseAddr == nullptr) return false;
  if (source->pixelFormat != k2vuyPixelFormat) return false;
  const int rowBytes = source->rowBytes & kRowBytesMask;
  return bounds->right - bounds->left == sequence.width &&
         bounds->bottom - bounds->top == sequence.height && rowBytes >= sequence.width * 2;
}

bool Convert(CompressionSequence& sequence, const PixMap& source) {
  AVFrame* picture = sequence.picture.get();
  if (av_frame_make_writable(picture) < 0) return false;
  const FramePtr lent = LentPicture(source.baseAddr, source.rowBytes & kRowBytesMask,
                                    sequence.width, sequence.height, AV_PIX_FMT_UYVY422);
  return lent && sws_scale_frame(sequence.scaler.get(), picture, lent.get()) >= 0;
}

// Codes the converted picture; `frame` lies in the sequence until the next call.
bool Code(CompressionSequence& sequence, const AVFrame& picture, std::span<const uint8_t>& frame,
          bool& key) {
  if (sequence.bands) {
    if (!sequence.bands->Encode(picture, sequence.joined, key)) return false;
    frame = sequence.joined.Bytes();
    return true;
  }
  AVPacket* packet = sequence.packet.get();
  av_packet_unref(packet);
  if (avcodec_send_frame(sequence.encoder.get(), &picture) < 0 ||
      avcodec_receive_packet(sequence.encoder.get(), packet) < 0) {
    return false;
  }
  frame = {packet->data, static_cast<size_t>(packet->size)};
  key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
  return true;
}

}  // namespace

int32_t MaxCompressedFrameSize(int width, int height) {
  constexpr int64_t kHeaderRoom = 64 * 1024;
  const int64_t size = int64_t{width} * height * 4 + kHeaderRoom;
  return size > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                    : static_cast<int32_t>(size);
}

OSErr BeginCompressionSequence(const Compressor& compressor, const CompressionSettings& settings,
                               zeb::movie::Handle description, ImageCompressionSequence* sequence) {
  *sequence = nullptr;
  auto made = std::unique_ptr<CompressionSequence>(new (std::nothrow) CompressionSequence);
  if (!made || !made->picture || !made->packet) return kMemFullErr;
  made->compressor = &compressor;
  made->width = settings.width;
  made->height = settings.height;
  made->codedWidth = compressor.codedWidth != 0 ? compressor.codedWidth : settings.width;
  made->codedHeight = compressor.codedHeight != 0 ? compressor.codedHeight : settings.height;
  made->maxSize = MaxCompressedFrameSize(settings.width, settings.height);
  const OSErr opened = OpenEncoder(*made, settings);
  if (opened != 0) return opened;
  const OSErr prepared = PrepareFrames(*made);
  if (prepared != 0) return prepared;
  const AVCodecContext& encoder = *made->encoder;
  const std::span<const uint8_t> extradata(encoder.extradata,
                                           static_cast<size_t>(encoder.extradata_size));
  if (!WriteCompressedDescription(description, compressor, settings, extradata).IsOk()) {
    return kCodecErr;
  }
  *sequence = made.release();
  return 0;
}

void EndCompressionSequence(ImageCompressionSequence sequence) { delete sequence; }

OSErr CompressSequenceFrame(ImageCompressionSequence sequence, PixMapHandle source,
                            const Rect* bounds, uint16_t /*flags*/, uint8_t* data,
                            int32_t* dataSize, uint8_t* similarity, const void* /*completion*/) {
  if (dataSize != nullptr) *dataSize = 0;
  if (sequence == nullptr || data == nullptr || dataSize == nullptr ||
      !ValidSource(*sequence, source, bounds)) {
    return kParamErr;
  }
  if (!Convert(*sequence, *source)) return kCodecErr;
  AVFrame* picture = sequence->picture.get();
  picture->pts = sequence->nextPts++;
  // The coder chooses the frame type from its key-frame rate; a fixed
  // quantiser travels with each picture.
  picture->pict_type = AV_PICTURE_TYPE_NONE;
  picture->key_frame = 0;
  picture->quality = sequence->encoder->global_quality;
  const bool bottomFirst = sequence->compressor->bottomFieldFirst;
  const bool interlaced =
      bottomFirst || (sequence->encoder->flags & AV_CODEC_FLAG_INTERLACED_DCT) != 0;
  picture->interlaced_frame = interlaced ? 1 : 0;
  picture->top_field_first = interlaced && !bottomFirst ? 1 : 0;
  std::span<const uint8_t> frame;
  bool key = false;
  if (!Code(*sequence, *picture, frame, key)) return kCodecErr;
  if (frame.size() > static_cast<size_t>(sequence->maxSize)) return kCodecErr;
  std::memcpy(data, frame.data(), frame.size());
  *dataSize = static_cast<int32_t>(frame.size());
  if (similarity != nullptr) *similarity = key ? 0 : 0xFF;
  return 0;
}

OSErr SetCSequencePrevBuffer(ImageCompressionSequence sequence, PixMapHandle previous,
                             const Rect* bounds) {
  return sequence == nullptr || previous == nullptr || bounds == nullptr ? kParamErr : OSErr{0};
}

}  // namespace zeb::codec
