#include "reader/ImxUnwrap.h"

#include <algorithm>
#include <cstring>

#include "reader/ByteView.h"
#include "reader/FourCC.h"

namespace {

// The first 15 bytes of the SMPTE key; the 16th is not compared.
constexpr uint8_t kKlvKey[15] = {0x06, 0x0E, 0x2B, 0x34, 0x01, 0x02, 0x01, 0x01,
                                 0x0D, 0x01, 0x03, 0x01, 0x05, 0x01, 0x01};
constexpr size_t kLengthByte = 16;

struct ImxRate {
  uint32_t fourcc;
  double bitRate;
  double frameRate;
};

constexpr ImxRate kImxRates[] = {
    {FourCC("mx5p"), 50e6, 25.0},  {FourCC("mx5n"), 50e6, 29.97}, {FourCC("mx4p"), 40e6, 25.0},
    {FourCC("mx4n"), 40e6, 29.97}, {FourCC("mx3p"), 30e6, 25.0},  {FourCC("mx3n"), 30e6, 29.97},
};

bool StartsWithKey(const ByteView& frame) {
  for (size_t i = 0; i < sizeof(kKlvKey); ++i) {
    uint8_t byte = 0;
    if (!frame.U8(i, byte) || byte != kKlvKey[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<uint32_t> ImxNominalFrameSize(uint32_t fourcc) {
  for (const ImxRate& rate : kImxRates) {
    if (rate.fourcc == fourcc) {
      return 4 * static_cast<uint32_t>(rate.bitRate / (rate.frameRate * 32.0));
    }
  }
  return std::nullopt;
}

uint32_t UnwrapImxFrame(uint32_t nominalSize, uint8_t* frame, uint32_t size, uint32_t capacity) {
  const ByteView view(frame, size);
  uint8_t lengthBytes = 0;
  if (!StartsWithKey(view) || !view.U8(kLengthByte, lengthBytes) || nominalSize > capacity) {
    return size;
  }
  const size_t count = lengthBytes & 0x0F;
  const size_t payloadAt = kLengthByte + 1 + count;
  if (!view.Contains(payloadAt, 0)) return size;
  uint64_t declared = 0;
  for (size_t i = 0; i < count; ++i) {
    uint8_t byte = 0;
    if (!view.U8(kLengthByte + 1 + i, byte)) return size;
    declared = (declared << 8) | byte;
  }
  // A length that claims more than the frame holds keeps what exists.
  const uint64_t present = std::min<uint64_t>(declared, size - payloadAt);
  const size_t moved = static_cast<size_t>(std::min<uint64_t>(present, nominalSize));
  std::memmove(frame, frame + payloadAt, moved);
  std::memset(frame + moved, 0, nominalSize - moved);
  return nominalSize;
}
