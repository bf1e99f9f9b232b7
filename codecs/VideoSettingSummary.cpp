#include "codecs/VideoSettingSummary.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

const char16_t* QualityName(uint32_t quality) {
  if (quality >= 1023) return u"Best";
  if (quality >= 768) return u"High";
  if (quality >= 512) return u"Medium";
  if (quality >= 256) return u"Low";
  return u"Least";
}

void AppendAscii(std::u16string& text, const char* ascii) {
  for (const char* c = ascii; *c != '\0'; ++c) text += static_cast<char16_t>(*c);
}

}  // namespace

void FormatSettingSummary(VideoSettingDialogContext& context) {
  const VideoCompressionSettings& settings = context.settings;
  std::u16string text = u"Compression: ";
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto byte = static_cast<uint8_t>(settings.codecType >> shift);
    if (byte != 0) text += static_cast<char16_t>(byte);
  }
  text += u"\r\nQuality: ";
  text += QualityName(settings.spatialQuality);
  text += u"\r\nFrame rate: ";
  char rate[64];
  std::snprintf(rate, sizeof rate, "%4.2f",
                static_cast<double>(settings.frameRateNum) / settings.frameRateDen);
  AppendAscii(text, rate);
  text += u"\r\n";
  const size_t units = std::min(text.size(), kSummaryUnits - 1);
  text.copy(context.summaryText, units);
  context.summaryText[units] = u'\0';
}

int32_t FrameRateToFraction(double rate, uint32_t* numerator, uint32_t* denominator) {
  // The tolerance is a single-precision 0.001.
  const double epsilon = static_cast<double>(0.001f);
  *numerator = 25;
  *denominator = 1;
  if (rate <= 0) return 0;
  const auto whole = static_cast<uint32_t>(rate);
  if (rate - whole < epsilon) {
    *numerator = whole;
  } else if (std::fabs(rate - 29.97) < epsilon) {
    *numerator = 30000;
    *denominator = 1001;
  } else if (std::fabs(rate - 23.98) < epsilon) {
    *numerator = 24000;
    *denominator = 1001;
  } else {
    *numerator = static_cast<uint32_t>(rate * 1000);
    *denominator = 1000;
  }
  return 1;
}
