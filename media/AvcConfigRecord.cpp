#include "media/AvcConfigRecord.h"

#include "media/StartCodeScanner.h"
#include "platform/movie/ByteWriter.h"

namespace zeb::media {

namespace {

using zeb::movie::ByteReader;

constexpr uint8_t kCountMask = 0x1F;
constexpr uint8_t kConfigurationVersion = 1;
// Reserved bits set, as the record's syntax asks.
constexpr uint8_t kLengthSizeReserved = 0xFC;
constexpr uint8_t kSequenceCountReserved = 0xE0;
constexpr uint8_t kNalTypeMask = 0x1F;
constexpr uint8_t kSequenceSetType = 7;
constexpr uint8_t kPictureSetType = 8;

enum class SetRead { kRead, kNoLength, kNoBytes };

// One set behind its 16-bit big-endian length.
SetRead ReadParameterSet(ByteReader& payload, std::vector<uint8_t>& set) {
  uint16_t length = 0;
  if (!payload.ReadU16(length).IsOk()) return SetRead::kNoLength;
  std::span<const uint8_t> bytes;
  if (!payload.ReadBytes(length, bytes).IsOk()) return SetRead::kNoBytes;
  set.assign(bytes.begin(), bytes.end());
  return SetRead::kRead;
}

bool ReadHeader(ByteReader& payload, AvcConfigRecord& record, uint8_t& spsCount) {
  uint8_t lengthByte = 0;
  uint8_t countByte = 0;
  for (uint8_t& byte : record.configuration) {
    if (!payload.ReadU8(byte).IsOk()) return false;
  }
  if (!payload.ReadU8(lengthByte).IsOk() || !payload.ReadU8(countByte).IsOk()) return false;
  record.lengthSizeCode = lengthByte % 4;
  spsCount = countByte & kCountMask;
  return true;
}

void PutSets(zeb::movie::ByteWriter& out, const std::vector<std::vector<uint8_t>>& sets) {
  for (const auto& set : sets) {
    out.PutU16(static_cast<uint16_t>(set.size()));
    out.PutBytes(set);
  }
}

bool Carriable(const std::vector<std::vector<uint8_t>>& sets, size_t most) {
  if (sets.size() > most) return false;
  for (const auto& set : sets) {
    if (set.size() > UINT16_MAX) return false;
  }
  return true;
}

}  // namespace

AvcConfigParse ParseAvcConfig(ByteReader payload, AvcConfigRecord& record) {
  AvcConfigRecord parsed;
  uint8_t spsCount = 0;
  if (!ReadHeader(payload, parsed, spsCount) || spsCount == 0 || spsCount > kMaxSequenceSets) {
    return AvcConfigParse::kHeadUnusable;
  }
  parsed.sps.resize(spsCount);
  for (auto& set : parsed.sps) {
    if (ReadParameterSet(payload, set) != SetRead::kRead) return AvcConfigParse::kHeadUnusable;
  }
  uint8_t ppsByte = 0;
  if (!payload.ReadU8(ppsByte).IsOk()) return AvcConfigParse::kHeadUnusable;
  parsed.pps.resize(ppsByte & kCountMask);
  AvcConfigParse outcome = AvcConfigParse::kComplete;
  for (auto& set : parsed.pps) {
    const SetRead read = ReadParameterSet(payload, set);
    if (read == SetRead::kNoLength) return AvcConfigParse::kNoPictureSetLength;
    if (read == SetRead::kNoBytes) {
      outcome = AvcConfigParse::kPictureSetsCut;
      break;
    }
  }
  record = std::move(parsed);
  return outcome;
}

std::optional<std::vector<uint8_t>> BuildAvcConfig(const AvcConfigRecord& record) {
  if (record.sps.empty() || !Carriable(record.sps, kMaxSequenceSets) ||
      !Carriable(record.pps, kMaxPictureSets)) {
    return std::nullopt;
  }
  zeb::movie::ByteWriter out;
  out.PutBytes(record.configuration);
  out.PutU8(kLengthSizeReserved | (record.lengthSizeCode & 3));
  out.PutU8(kSequenceCountReserved | static_cast<uint8_t>(record.sps.size()));
  PutSets(out, record.sps);
  out.PutU8(static_cast<uint8_t>(record.pps.size()));
  PutSets(out, record.pps);
  return out.Take();
}

std::optional<AvcConfigRecord> AvcConfigFromAnnexB(std::span<const uint8_t> stream,
                                                   uint32_t nalLengthSize) {
  if (nalLengthSize < 1 || nalLengthSize > 4) return std::nullopt;
  AvcConfigRecord record;
  record.lengthSizeCode = static_cast<uint8_t>(nalLengthSize - 1);
  StartCodeScanner scanner(stream);
  while (const auto unit = scanner.Next()) {
    const uint8_t type = unit->front() & kNalTypeMask;
    if (type == kSequenceSetType) record.sps.emplace_back(unit->begin(), unit->end());
    if (type == kPictureSetType) record.pps.emplace_back(unit->begin(), unit->end());
  }
  // The first set's bytes after its NAL header: profile, compatibility, level.
  if (record.sps.empty() || record.sps.front().size() < 4) return std::nullopt;
  record.configuration[0] = kConfigurationVersion;
  for (size_t i = 1; i < 4; ++i) record.configuration[i] = record.sps.front()[i];
  return record;
}

}  // namespace zeb::media
