#pragma once

#include <cstdint>
#include <span>

namespace zeb::analysis {

// GetH264FrameType over a checked view of one access unit; ZEBStreamAnalysis.h
// states the rule.
uint32_t ClassifyH264AccessUnit(std::span<const uint8_t> accessUnit);

}  // namespace zeb::analysis
