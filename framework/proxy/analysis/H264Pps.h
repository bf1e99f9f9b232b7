#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zeb::analysis {

inline constexpr uint32_t kH264MaxPpsId = 255;

// The head of a picture parameter set, as far as slice headers need it.
struct H264Pps {
  uint32_t id = 0;
  uint32_t spsId = 0;
  bool bottomFieldPicOrderInFramePresent = false;
};

// From the escaped payload after the NAL header; nullopt when it ends early or
// an id is out of range.
std::optional<H264Pps> ParseH264Pps(std::span<const uint8_t> payload);

}  // namespace zeb::analysis
