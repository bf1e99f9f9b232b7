#include "codecs/VideoCompressionSettings.h"

int32_t FixedFrameRate(uint32_t numerator, uint32_t denominator) {
  if (denominator == 0) return 0;
  const double rate = static_cast<double>(numerator) / static_cast<double>(denominator);
  const auto whole = static_cast<uint32_t>(rate);
  const auto fraction = static_cast<uint32_t>((rate - whole) * 65535.0) & 0xFFFFu;
  return static_cast<int32_t>((whole << 16) + fraction);
}
