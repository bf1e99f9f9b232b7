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
  // Draws the top-left corner of `picture` that the world can hold; false
  // when libswscale cannot convert the picture's format.
  bool Draw(const AVFrame& picture, const GraphicsWorld& world);

 private:
  struct Key {
    int format = -1;
    int width = 0;
    int height = 0;
    uint32_t target = 0;
    int colorspace = 0;
    bool operator==(const Key&) const = default;
  };

  bool Prepare(const Key& key);

  ScalerPtr scaler_;
  Key key_;
};

}  // namespace zeb::codec
