#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "framework/proxy/analysis/H264Sps.h"

namespace zeb::analysis {

// pic_struct values (ITU-T H.264 table D-1).
enum class H264PicStruct : uint32_t {
  kFrame = 0,
  kTopField = 1,
  kBottomField = 2,
  kTopBottom = 3,
  kBottomTop = 4,
  kTopBottomTop = 5,
  kBottomTopBottom = 6,
  kFrameDoubling = 7,
  kFrameTripling = 8,
};

// The head of a picture-timing SEI message, unescaped. Its layout depends on
// the active SPS, which is known only at the slice that follows, so the bytes
// wait until then. The two delays and pic_struct fit in nine bytes.
struct H264PicTiming {
  std::array<uint8_t, 9> head{};
  size_t size = 0;
};

// The first picture-timing message (payloadType 1) of an SEI NAL payload.
std::optional<H264PicTiming> FindH264PicTiming(std::span<const uint8_t> payload);

// pic_struct of the message under the SPS; nullopt when the SPS says the
// message carries none, or the value is reserved.
std::optional<H264PicStruct> ReadH264PicStruct(const H264PicTiming& timing, const H264Sps& sps);

}  // namespace zeb::analysis
