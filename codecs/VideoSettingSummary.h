// The video settings dialog's context and the two conversions it shows and
// reads back: the summary text and a frame rate as a fraction.
#pragma once

#include <cstdint>
#include <memory>

#include "codecs/VideoCompressionSettings.h"

inline constexpr size_t kSummaryUnits = 512;

// What the settings export lends the dialog for the dialog's lifetime.
struct VideoSettingDialogContext {
  char16_t summaryText[kSummaryUnits] = {};  // zero-terminated, CR LF between lines
  uint32_t height = 0;
  uint32_t width = 0;
  VideoCompressionSettings settings;
  std::unique_ptr<uint8_t[]> stateData;  // the compressor's settings state ('ssta'), or null
  int32_t stateSize = 0;
};

// Appends the codec, quality and frame-rate lines to the zeroed summary; a
// text past the field's capacity is cut, the field stays terminated.
void FormatSettingSummary(VideoSettingDialogContext& context);

// The rate as a fraction: 1 with the fraction, or 0 with 25/1 for a rate of
// 0 or below. Whole rates and the two NTSC film and video rates (within
// 0.001) are exact, others come in thousandths.
int32_t FrameRateToFraction(double rate, uint32_t* numerator, uint32_t* denominator);
