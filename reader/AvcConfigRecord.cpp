#include "reader/AvcConfigRecord.h"

namespace {

constexpr uint8_t kCountMask = 31;
constexpr uint8_t kMaxSequenceSets = 10;

// Where the pieces of one 'avcC' may lie: inside the atom, and before the
// description's last byte.
struct Bounds {
  const ByteView& description;
  size_t atomEnd;

  bool Inside(size_t offset, size_t length) const {
    return description.Contains(offset, length) && offset + length < description.size() &&
           offset + length <= atomEnd;
  }
};

bool ReadByteInside(const Bounds& bounds, size_t offset, uint8_t& out) {
  return bounds.Inside(offset, 1) && bounds.description.U8(offset, out);
}

enum class SetRead { kRead, kLengthOutside, kBytesOutside };

// One length-prefixed parameter set at `at`, which moves past it when read.
SetRead ReadParameterSet(const Bounds& bounds, size_t& at, std::vector<uint8_t>& set) {
  uint16_t length = 0;
  if (!bounds.Inside(at, 2) || !bounds.description.Be16(at, length)) {
    return SetRead::kLengthOutside;
  }
  if (!bounds.Inside(at + 2, length) || !bounds.description.CopyTo(at + 2, length, set)) {
    return SetRead::kBytesOutside;
  }
  at += 2 + size_t{length};
  return SetRead::kRead;
}

}  // namespace

AvcConfigParse ParseAvcConfig(const ByteView& description, size_t atom, size_t atomSize,
                              std::unique_ptr<AvcConfigRecord>& record) {
  const Bounds bounds{description, atom + atomSize};
  const size_t fields = atom + 8;
  auto config = std::make_unique<AvcConfigRecord>();
  uint8_t lengthByte = 0;
  uint8_t countByte = 0;
  bool fieldsInside = bounds.Inside(fields, 6);
  for (size_t i = 0; fieldsInside && i < 4; ++i) {
    fieldsInside = description.U8(fields + i, config->configuration[i]);
  }
  if (!fieldsInside || !description.U8(fields + 4, lengthByte) ||
      !description.U8(fields + 5, countByte)) {
    return AvcConfigParse::kDroppedEndScan;
  }
  config->lengthSizeCode = lengthByte % 4;
  const uint8_t spsCount = countByte & kCountMask;
  if (spsCount == 0 || spsCount > kMaxSequenceSets) return AvcConfigParse::kDroppedEndScan;

  size_t at = fields + 6;
  config->sps.resize(spsCount);
  for (auto& set : config->sps) {
    if (ReadParameterSet(bounds, at, set) != SetRead::kRead) {
      return AvcConfigParse::kDroppedEndScan;
    }
  }
  uint8_t ppsByte = 0;
  if (!ReadByteInside(bounds, at, ppsByte)) return AvcConfigParse::kDroppedEndScan;
  ++at;
  config->pps.resize(ppsByte & kCountMask);
  for (auto& set : config->pps) {
    const SetRead read = ReadParameterSet(bounds, at, set);
    if (read == SetRead::kLengthOutside) return AvcConfigParse::kDroppedGoOn;
    if (read == SetRead::kBytesOutside) {
      set.clear();
      break;  // this set and every later one stay empty
    }
  }
  record = std::move(config);
  return AvcConfigParse::kKept;
}
