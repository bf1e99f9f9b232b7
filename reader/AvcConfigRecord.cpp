#include "reader/AvcConfigRecord.h"

namespace {

constexpr uint8_t kCountMask = 31;
constexpr uint8_t kMaxSequenceSets = 10;

// The description's rule for a piece: it must end before the description's
// last byte.
bool Inside(const ByteView& description, size_t offset, size_t length) {
  return description.Contains(offset, length) && offset + length < description.size();
}

bool ReadByteInside(const ByteView& description, size_t offset, uint8_t& out) {
  return Inside(description, offset, 1) && description.U8(offset, out);
}

enum class SetRead { kRead, kLengthOutside, kBytesOutside };

// One length-prefixed parameter set at `at`, which moves past it when read.
SetRead ReadParameterSet(const ByteView& description, size_t& at, std::vector<uint8_t>& set) {
  uint16_t length = 0;
  if (!Inside(description, at, 2) || !description.Be16(at, length)) {
    return SetRead::kLengthOutside;
  }
  if (!Inside(description, at + 2, length) || !description.CopyTo(at + 2, length, set)) {
    return SetRead::kBytesOutside;
  }
  at += 2 + size_t{length};
  return SetRead::kRead;
}

}  // namespace

AvcConfigParse ParseAvcConfig(const ByteView& description, size_t atom,
                              std::unique_ptr<AvcConfigRecord>& record) {
  const size_t fields = atom + 8;
  auto config = std::make_unique<AvcConfigRecord>();
  uint8_t lengthByte = 0;
  uint8_t countByte = 0;
  bool fieldsInside = Inside(description, fields, 6);
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
    if (ReadParameterSet(description, at, set) != SetRead::kRead) {
      return AvcConfigParse::kDroppedEndScan;
    }
  }
  uint8_t ppsByte = 0;
  if (!ReadByteInside(description, at, ppsByte)) return AvcConfigParse::kDroppedEndScan;
  ++at;
  config->pps.resize(ppsByte & kCountMask);
  for (auto& set : config->pps) {
    const SetRead read = ReadParameterSet(description, at, set);
    if (read == SetRead::kLengthOutside) return AvcConfigParse::kDroppedGoOn;
    if (read == SetRead::kBytesOutside) {
      set.clear();
      break;  // this set and every later one stay empty
    }
  }
  record = std::move(config);
  return AvcConfigParse::kKept;
}
