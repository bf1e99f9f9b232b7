#include "reader/ImxUnwrap.h"

#include <algorithm>
#include <optional>

#include "media/ImxKlv.h"
#include "platform/movie/ByteReader.h"
#include "platform/movie/SpanWriter.h"

namespace {

using zeb::movie::ByteReader;

struct KlvItem {
  size_t payloadAt;
  uint64_t declared;  // the BER length
};

// The key's first 15 bytes and the length; nothing when the frame holds
// another key or ends inside the length.
std::optional<KlvItem> ReadKlvHeader(ByteReader frame) {
  std::span<const uint8_t> key;
  uint8_t lengthByte = 0;
  if (!frame.ReadBytes(zeb::media::kD10KeyPrefix.size(), key).IsOk() ||
      !std::equal(key.begin(), key.end(), zeb::media::kD10KeyPrefix.begin()) ||
      !frame.Seek(zeb::media::kKlvLengthByteAt).IsOk() || !frame.ReadU8(lengthByte).IsOk()) {
    return std::nullopt;
  }
  KlvItem item{0, 0};
  for (size_t count = lengthByte & 0x0F; count > 0; --count) {
    uint8_t byte = 0;
    if (!frame.ReadU8(byte).IsOk()) return std::nullopt;
    item.declared = (item.declared << 8) | byte;
  }
  item.payloadAt = frame.Position();
  return item;
}

}  // namespace

uint32_t UnwrapImxFrame(uint32_t nominalSize, std::span<uint8_t> buffer, uint32_t size) {
  if (size > buffer.size() || nominalSize > buffer.size()) return size;
  const auto item = ReadKlvHeader(ByteReader(buffer.first(size)));
  if (!item) return size;
  const uint64_t present = std::min<uint64_t>(item->declared, size - item->payloadAt);
  const size_t moved = static_cast<size_t>(std::min<uint64_t>(present, nominalSize));
  zeb::movie::SpanWriter out(buffer);
  if (!out.Move(item->payloadAt, moved).IsOk() || !out.PutZeros(nominalSize - moved).IsOk()) {
    return size;
  }
  return nominalSize;
}
