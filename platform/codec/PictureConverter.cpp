#include "platform/codec/PictureConverter.h"

#include <algorithm>

#include "platform/codec/ImageCodec.h"
#include "platform/codec/ThreadedScaler.h"

namespace zeb::codec {

namespace {

AVPixelFormat TargetFormat(uint32_t pixelFormat) {
  return pixelFormat == k32ARGBPixelFormat ? AV_PIX_FMT_ARGB : AV_PIX_FMT_UYVY422;
}

// Pixels of a row the world can take: '2vuy' writes whole pixel pairs, so an
// odd width is drawn up to its last full pair unless the row has room for the
// pair's second half.
int DrawableWidth(const GraphicsWorld& world) {
  const int width = world.width;
  if (world.pixelFormat == k2vuyPixelFormat && width % 2 != 0 && world.rowBytes < (width + 1) * 2) {
    return width - 1;
  }
  return width;
}

}  // namespace

bool PictureConverter::Prepare(const Key& key) {
  if (scaler_ && key == key_) return true;
  scaler_ = NewThreadedScaler(key.width, key.height, static_cast<AVPixelFormat>(key.format),
                              key.targetWidth, key.targetHeight, TargetFormat(key.target));
  if (!scaler_) return false;
  // Pictures that name their matrix get it, as the ffmpeg tool's converter
  // gives it; the rest keep libswscale's default (ITU-R BT.601).
  if (key.target == k32ARGBPixelFormat && key.colorspace != AVCOL_SPC_UNSPECIFIED &&
      key.colorspace != AVCOL_SPC_RGB) {
    int* inverse = nullptr;
    int* table = nullptr;
    int sourceRange = 0;
    int targetRange = 0;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    if (sws_getColorspaceDetails(scaler_.get(), &inverse, &sourceRange, &table, &targetRange,
                                 &brightness, &contrast, &saturation) >= 0) {
      const int* coefficients = sws_getCoefficients(key.colorspace);
      sws_setColorspaceDetails(scaler_.get(), coefficients, sourceRange, table, targetRange,
                               brightness, contrast, saturation);
    }
  }
  key_ = key;
  return true;
}

bool PictureConverter::Draw(const AVFrame& picture, int width, int height,
                            const GraphicsWorld& world) {
  const Key key{picture.format,
                std::min(width, picture.width),
                std::min(height, picture.height),
                DrawableWidth(world),
                world.height,
                world.pixelFormat,
                picture.colorspace};
  if (key.width <= 0 || key.height <= 0 || key.targetWidth <= 0 || !Prepare(key)) return false;
  // The source is the picture's visible part, the target the caller's memory.
  FramePtr source(av_frame_clone(&picture));
  FramePtr target = LentPicture(world.pixels, world.rowBytes, key.targetWidth, key.targetHeight,
                                TargetFormat(key.target));
  if (!source || !target) return false;
  source->width = key.width;
  source->height = key.height;
  return sws_scale_frame(scaler_.get(), target.get(), source.get()) >= 0;
}

}  // namespace zeb::codec
