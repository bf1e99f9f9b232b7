#include "platform/codec/GraphicsWorld.h"

#include <new>

#include "platform/codec/ImageCodec.h"

namespace zeb::codec {

namespace {

int BytesPerPixel(uint32_t pixelFormat) {
  switch (pixelFormat) {
    case k2vuyPixelFormat:
      return 2;
    case k32ARGBPixelFormat:
      return 4;
    default:
      return 0;
  }
}

}  // namespace

OSErr NewGWorldFromPtr(GWorldPtr* world, uint32_t pixelFormat, const Rect* bounds,
                       const void* colorTable, const void* device, uint32_t /*flags*/,
                       uint8_t* pixels, int32_t rowBytes) {
  if (world == nullptr) return kParamErr;
  *world = nullptr;
  const int bytesPerPixel = BytesPerPixel(pixelFormat);
  if (bounds == nullptr || pixels == nullptr || colorTable != nullptr || device != nullptr ||
      bytesPerPixel == 0) {
    return kParamErr;
  }
  const int width = bounds->right - bounds->left;
  const int height = bounds->bottom - bounds->top;
  if (width <= 0 || height <= 0 || rowBytes < width * bytesPerPixel) {
    return kParamErr;
  }
  *world = new (std::nothrow) GraphicsWorld{pixelFormat, width, height, pixels, rowBytes};
  return *world == nullptr ? kMemFullErr : OSErr{0};
}

void DisposeGWorld(GWorldPtr world) { delete world; }

}  // namespace zeb::codec
