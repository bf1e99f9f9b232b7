// An off-screen world: a picture area over memory its creator owns.
#pragma once

#include <cstdint>

namespace zeb::codec {

struct GraphicsWorld {
  uint32_t pixelFormat = 0;  // k2vuyPixelFormat or k32ARGBPixelFormat
  int width = 0;             // pixels
  int height = 0;            // lines
  uint8_t* pixels = nullptr;
  int rowBytes = 0;
};

}  // namespace zeb::codec
