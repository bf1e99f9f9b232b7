// Dialog units to pixels: a horizontal unit is a quarter of the font's
// average character width, a vertical one an eighth of its height.
#pragma once

#include <cstdint>

namespace zeb::ui {

struct DialogBaseUnits {
  int32_t averageCharWidth = 0;  // pixels
  int32_t charHeight = 0;        // pixels
};

struct PixelRect {
  int32_t x = 0, y = 0, width = 0, height = 0;
};

// The average width of the 52 Latin letters, rounded to the nearest pixel,
// from the width of the whole run of them.
int32_t AverageCharWidth(int32_t widthOfLetters);

// Rounds to the nearest pixel, halves away from zero.
PixelRect DialogUnitsToPixels(const DialogBaseUnits& base, int32_t x, int32_t y, int32_t width,
                              int32_t height);

}  // namespace zeb::ui
