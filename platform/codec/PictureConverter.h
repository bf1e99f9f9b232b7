// Draws decoded pictures into a graphics world through libswscale, with the
// conversion the ffmpeg tool's own format conversion uses (bicubic, libswscale's
// default dithering), so that a picture equals the tool's decode converted to
// the same pixel format.
#pragma once

#include "platform/codec/GraphicsWorld.h"
#include "platform/codec/LibavObjects.h"

namespace zeb::codec {

class PictureConverter {
 public:
  // Draws the top-left `width` × `height` of `picture` (its visible part)
  // scaled to fill the world, as the media layer draws an image into its
  // destination's bounds; false when libswscale cannot convert it.
  bool Draw(const AVFrame& picture, int width, int height, const GraphicsWorld& world);

 private:
  struct Key {
    int format = -1;
    int width = 0;
    int height = 0;
    int targetWidth = 0;
    int targetHeight = 0;
    uint32_t target = 0;
    int colorspace = 0;
    bool operator==(const Key&) const = default;
  };

  bool Prepare(const Key& key);

  ScalerPtr scaler_;
  Key key_;
};

}  // namespace zeb::codec
