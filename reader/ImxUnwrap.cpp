#include "reader/ImxUnwrap.h"

#include <algorithm>
#include <cstring>

#include "media/ImxKlv.h"
#include "reader/ByteView.h"

namespace {

bool StartsWithKey(const ByteView& frame) {
  for (size_t i = 0; i < zeb::media::kD10KeyPrefix.size(); ++i) {
    uint8_t byte = 0;
    if (!frame.U8(i, byte) || byte != zeb::media::kD10KeyPrefix[i]) return false;
  }
  return true;
}

}  // namespace

uint32_t UnwrapImxFrame(uint32_t nominalSize, uint8_t* frame, uint32_t size, uint32_t capacity) {
  const ByteView view(frame, size);
  uint8_t lengthBytes = 0;
  if (!StartsWithKey(view) || !view.U8(zeb::media::kKlvLengthByteAt, lengthBytes) ||
      nominalSize > capacity) {
    return size;
  }
  const size_t count = lengthBytes & 0x0F;
  const size_t payloadAt = zeb::media::kKlvLengthByteAt + 1 + count;
  if (!view.Contains(payloadAt, 0)) return size;
  uint64_t declared = 0;
  for (size_t i = 0; i < count; ++i) {
    uint8_t byte = 0;
    if (!view.U8(zeb::media::kKlvLengthByteAt + 1 + i, byte)) return size;
    declared = (declared << 8) | byte;
  }
  // A length that claims more than the frame holds keeps what exists.
  const uint64_t present = std::min<uint64_t>(declared, size - payloadAt);
  const size_t moved = static_cast<size_t>(std::min<uint64_t>(present, nominalSize));
  std::memmove(frame, frame + payloadAt, moved);
  std::memset(frame + moved, 0, nominalSize - moved);
  return nominalSize;
}
