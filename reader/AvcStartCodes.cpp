#include "reader/AvcStartCodes.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "reader/ByteView.h"

namespace {

constexpr uint8_t kStartCode[4] = {0, 0, 0, 1};
constexpr uint32_t kStartCodeSize = sizeof(kStartCode);

struct NalUnit {
  size_t lengthAt;  // where its length field starts in the source frame
  size_t payload;   // bytes of the unit that lie in the frame
};

uint32_t ReadLength(const ByteView& frame, size_t at, uint32_t lengthSize) {
  uint32_t length = 0;
  for (uint32_t i = 0; i < lengthSize; ++i) {
    uint8_t byte = 0;
    if (!frame.U8(at + i, byte)) return 0;
    length = (length << 8) | byte;
  }
  return length;
}

// Walks the length fields; returns the offset where the units end.
size_t FindUnits(const ByteView& frame, uint32_t lengthSize, std::vector<NalUnit>& units) {
  size_t at = 0;
  while (frame.Contains(at, lengthSize) && at < frame.size()) {
    const size_t rest = frame.size() - at - lengthSize;
    const size_t length = ReadLength(frame, at, lengthSize);
    const size_t payload = length < rest ? length : rest;
    units.push_back({at, payload});
    at += lengthSize + payload;
  }
  return at;
}

const std::vector<uint8_t>* FirstSet(const std::vector<std::vector<uint8_t>>& sets) {
  return sets.empty() || sets.front().empty() ? nullptr : &sets.front();
}

size_t PrefixSize(const AvcConfigRecord& config) {
  size_t size = 0;
  for (const auto* set : {FirstSet(config.sps), FirstSet(config.pps)}) {
    if (set != nullptr) size += kStartCodeSize + set->size();
  }
  return size;
}

void WriteParameterSets(const AvcConfigRecord& config, uint8_t* out) {
  for (const auto* set : {FirstSet(config.sps), FirstSet(config.pps)}) {
    if (set == nullptr) continue;
    std::memcpy(out, kStartCode, kStartCodeSize);
    std::memcpy(out + kStartCodeSize, set->data(), set->size());
    out += kStartCodeSize + set->size();
  }
}

// Where the unit after the one starting at `from` begins (after its start
// code), or the frame's size. Emulation prevention keeps 00 00 01 out of
// every unit's payload.
size_t NextUnit(const ByteView& frame, size_t from) {
  for (size_t at = from; at + 3 <= frame.size(); ++at) {
    uint8_t a = 1, b = 1, c = 0;
    if (frame.U8(at + 2, c) && c > 1) {
      at += 2;  // no start code can end before at + 3
      continue;
    }
    if (frame.U8(at, a) && frame.U8(at + 1, b) && a == 0 && b == 0 && c == 1) return at + 3;
  }
  return frame.size();
}

bool IsSliceUnit(uint8_t header) {
  const uint8_t type = header & 0x1F;
  return type >= 1 && type <= 5;
}

}  // namespace

uint32_t PictureTypeSpan(const uint8_t* accessUnit, uint32_t size) {
  const ByteView frame(accessUnit, size);
  for (size_t unit = NextUnit(frame, 0); unit < frame.size(); unit = NextUnit(frame, unit)) {
    uint8_t header = 0;
    if (frame.U8(unit, header) && IsSliceUnit(header)) {
      return static_cast<uint32_t>(std::min<size_t>(frame.size(), unit + kSliceHeaderBytes));
    }
  }
  return size;
}

std::optional<uint32_t> ConvertAvcToAnnexB(const AvcConfigRecord& config, bool keyFrame,
                                           uint8_t* frame, uint32_t size, uint32_t capacity) {
  const uint32_t lengthSize = config.NalLengthSize();
  const ByteView view(frame, size);
  std::vector<NalUnit> units;
  units.reserve(16);
  const size_t unitsEnd = FindUnits(view, lengthSize, units);

  const size_t growthPerUnit = kStartCodeSize - lengthSize;
  const size_t prefix = keyFrame ? PrefixSize(config) : 0;
  const size_t grownSize = size + units.size() * growthPerUnit + prefix;
  if (grownSize > capacity) return std::nullopt;

  // Back to front: every destination lies at or after its source, so a unit
  // never overwrites one that has not moved yet.
  size_t shift = prefix + units.size() * growthPerUnit;
  std::memmove(frame + unitsEnd + shift, frame + unitsEnd, size - unitsEnd);
  for (size_t i = units.size(); i-- > 0;) {
    shift -= growthPerUnit;
    const NalUnit& unit = units[i];
    uint8_t* out = frame + unit.lengthAt + shift;
    if (shift != 0 || growthPerUnit != 0) {
      std::memmove(out + kStartCodeSize, frame + unit.lengthAt + lengthSize, unit.payload);
    }
    std::memcpy(out, kStartCode, kStartCodeSize);
  }
  if (prefix != 0) WriteParameterSets(config, frame);
  return static_cast<uint32_t>(grownSize);
}
