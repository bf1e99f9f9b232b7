// Pixel-format conversion on libswscale's slice threads (one a core), over
// pictures that may live in a caller's memory. A decoder or encoder on slice
// threads alone leaves the other cores idle while one slice a picture is
// coded; the conversion between calls uses them. The bytes are the same as
// with one thread.
#pragma once

#include <cstdint>

#include "platform/codec/LibavObjects.h"

namespace zeb::codec {

// A bicubic converter, as the ffmpeg tool's own format conversion; null when
// libswscale refuses the formats or sizes.
ScalerPtr NewThreadedScaler(int width, int height, AVPixelFormat format, int targetWidth,
                            int targetHeight, AVPixelFormat targetFormat);

// A one-plane picture over memory the frame does not own (it is lent for the
// frame's life), for packed formats such as UYVY and ARGB; sws_scale_frame
// takes it as source or target.
FramePtr LentPicture(uint8_t* pixels, int rowBytes, int width, int height, AVPixelFormat format);

}  // namespace zeb::codec
