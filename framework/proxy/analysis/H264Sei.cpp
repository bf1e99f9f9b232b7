#include "framework/proxy/analysis/H264Sei.h"

#include <algorithm>

#include "framework/proxy/analysis/BitReader.h"

namespace zeb::analysis {

namespace {

constexpr uint32_t kPicTimingPayloadType = 1;
constexpr uint32_t kMaxPicStruct = static_cast<uint32_t>(H264PicStruct::kFrameTripling);

// payloadType and payloadSize: a run of 0xFF bytes, each adding 255, then the last byte.
bool ReadSeiNumber(BitReader& reader, uint64_t* value) {
  uint64_t sum = 0;
  uint32_t byte = 0xFF;
  while (byte == 0xFF) {
    if (!reader.ReadBits(8, &byte)) return false;
    sum += byte;
  }
  *value = sum;
  return true;
}

}  // namespace

std::optional<H264PicTiming> FindH264PicTiming(std::span<const uint8_t> payload) {
  BitReader reader(payload, BitReader::Escaping::kH264);
  uint64_t type = 0, size = 0;
  // Every message takes at least two bytes, so the loop ends with the payload.
  while (ReadSeiNumber(reader, &type) && ReadSeiNumber(reader, &size)) {
    if (type != kPicTimingPayloadType) {
      if (!reader.SkipBits(size * 8)) break;
      continue;
    }
    H264PicTiming timing;
    timing.size = static_cast<size_t>(std::min<uint64_t>(size, timing.head.size()));
    for (size_t i = 0; i < timing.size; ++i) {
      uint32_t byte = 0;
      if (!reader.ReadBits(8, &byte)) return std::nullopt;
      timing.head[i] = static_cast<uint8_t>(byte);
    }
    return timing;
  }
  return std::nullopt;
}

std::optional<H264PicStruct> ReadH264PicStruct(const H264PicTiming& timing, const H264Sps& sps) {
  if (!sps.vui.picStructPresent) return std::nullopt;
  BitReader reader(std::span<const uint8_t>(timing.head).first(timing.size));
  uint32_t delay = 0, picStruct = 0;
  if (sps.vui.hrd && (!reader.ReadBits(sps.vui.hrd->cpbRemovalDelayBits, &delay) ||
                      !reader.ReadBits(sps.vui.hrd->dpbOutputDelayBits, &delay))) {
    return std::nullopt;
  }
  if (!reader.ReadBits(4, &picStruct) || picStruct > kMaxPicStruct) return std::nullopt;
  return static_cast<H264PicStruct>(picStruct);
}

}  // namespace zeb::analysis
