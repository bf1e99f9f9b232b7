#include "platform/codec/ThreadedScaler.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace zeb::codec {

namespace {

void KeepLentMemory(void*, uint8_t*) {}

}  // namespace

ScalerPtr NewThreadedScaler(int width, int height, AVPixelFormat format, int targetWidth,
                            int targetHeight, AVPixelFormat targetFormat) {
  ScalerPtr scaler(sws_alloc_context());
  if (!scaler) return nullptr;
  SwsContext* context = scaler.get();
  const bool set = av_opt_set_int(context, "srcw", width, 0) >= 0 &&
                   av_opt_set_int(context, "srch", height, 0) >= 0 &&
                   av_opt_set_int(context, "src_format", format, 0) >= 0 &&
                   av_opt_set_int(context, "dstw", targetWidth, 0) >= 0 &&
                   av_opt_set_int(context, "dsth", targetHeight, 0) >= 0 &&
                   av_opt_set_int(context, "dst_format", targetFormat, 0) >= 0 &&
                   av_opt_set_int(context, "sws_flags", SWS_BICUBIC, 0) >= 0;
  av_opt_set_int(context, "threads", 0, 0);  // 0: one a core (older libswscale: one thread)
  if (!set || sws_init_context(context, nullptr, nullptr) < 0) return nullptr;
  return scaler;
}

FramePtr LentPicture(uint8_t* pixels, int rowBytes, int width, int height, AVPixelFormat format) {
  FramePtr picture(av_frame_alloc());
  if (!picture || pixels == nullptr || rowBytes <= 0 || height <= 0) return nullptr;
  picture->format = format;
  picture->width = width;
  picture->height = height;
  picture->data[0] = pixels;
  picture->linesize[0] = rowBytes;
  picture->buf[0] =
      av_buffer_create(pixels, static_cast<size_t>(rowBytes) * height, KeepLentMemory, nullptr, 0);
  return picture->buf[0] != nullptr ? std::move(picture) : nullptr;
}

}  // namespace zeb::codec
