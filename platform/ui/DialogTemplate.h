// A dialog resource as the dialog layer lays it out: the window's size in
// dialog units, caption and font, and its controls in template order (the
// order of tab stops and of creation). Texts are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zeb::ui {

enum class ControlKind : uint8_t { kPushButton, kStatic, kEdit, kComboList, kSlider };

// Control styles, as the template sets them.
inline constexpr uint32_t kStyleTabStop = 0x1;
inline constexpr uint32_t kStyleGroup = 0x2;
inline constexpr uint32_t kStyleDefault = 0x4;     // the default push button
inline constexpr uint32_t kStyleDigitsOnly = 0x8;  // an edit box that refuses non-digits
inline constexpr uint32_t kStyleSunken = 0x10;
inline constexpr uint32_t kStyleBorder = 0x20;
inline constexpr uint32_t kStyleAutoHScroll = 0x40;

// A control without an ID, as static labels have.
inline constexpr int32_t kNoControlId = -1;

struct DialogControl {
  int32_t id = kNoControlId;
  ControlKind kind = ControlKind::kStatic;
  // A slider's text names its steps, '|' between them: the slider runs from
  // 0 to the number of names less one.
  const char* text = "";
  int16_t x = 0, y = 0, width = 0, height = 0;  // dialog units
  uint32_t styles = 0;
};

struct DialogTemplate {
  const char* caption = "";
  const char* fontName = "";
  int16_t pointSize = 8;
  int16_t width = 0, height = 0;  // dialog units
  const DialogControl* controls = nullptr;
  size_t controlCount = 0;
};

}  // namespace zeb::ui
