#include "platform/ui/DialogUnits.h"

#include <cstdint>

namespace zeb::ui {

namespace {

// value × numerator / denominator, rounded half away from zero.
int32_t Scale(int32_t value, int32_t numerator, int32_t denominator) {
  const int64_t product = int64_t{value} * numerator;
  const int64_t half = denominator / 2;
  const int64_t rounded =
      product >= 0 ? (product + half) / denominator : (product - half) / denominator;
  return static_cast<int32_t>(rounded);
}

}  // namespace

int32_t AverageCharWidth(int32_t widthOfLetters) { return Scale(widthOfLetters, 1, 52); }

PixelRect DialogUnitsToPixels(const DialogBaseUnits& base, int32_t x, int32_t y, int32_t width,
                              int32_t height) {
  return {Scale(x, base.averageCharWidth, 4), Scale(y, base.charHeight, 8),
          Scale(width, base.averageCharWidth, 4), Scale(height, base.charHeight, 8)};
}

}  // namespace zeb::ui
