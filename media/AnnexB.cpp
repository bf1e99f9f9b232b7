#include "media/AnnexB.h"

#include <algorithm>
#include <array>
#include <vector>

#include "media/StartCodeScanner.h"
#include "platform/movie/SpanWriter.h"

namespace zeb::media {

namespace {

using zeb::movie::ByteReader;
using zeb::movie::SpanWriter;
using zeb::movie::Status;

constexpr std::array<uint8_t, 4> kStartCode = {0, 0, 0, 1};
constexpr uint8_t kNalTypeMask = 0x1F;
constexpr uint8_t kForbiddenBit = 0x80;
constexpr uint8_t kSequenceSetType = 7;
constexpr uint8_t kPictureSetType = 8;

struct NalUnit {
  size_t lengthAt;  // where its length field starts in the sample
  size_t payload;   // bytes of the unit that lie in the sample
};

// Walks the length fields; returns where the units end.
size_t FindUnits(ByteReader sample, uint32_t lengthSize, std::vector<NalUnit>& units) {
  while (sample.Remaining() >= lengthSize) {
    const size_t at = sample.Position();
    uint64_t length = 0;
    if (!sample.ReadBigEndian(lengthSize, length).IsOk()) break;
    const size_t payload = static_cast<size_t>(std::min<uint64_t>(length, sample.Remaining()));
    if (!sample.Skip(payload).IsOk()) break;
    units.push_back({at, payload});
  }
  return sample.Position();
}

// The record's first sequence and picture sets, where they have bytes.
std::vector<std::span<const uint8_t>> PrefixSets(const AvcConfigRecord& config) {
  std::vector<std::span<const uint8_t>> sets;
  for (const auto* list : {&config.sps, &config.pps}) {
    if (!list->empty() && !list->front().empty()) sets.emplace_back(list->front());
  }
  return sets;
}

// Back to front: every destination lies at or after its source, so a unit
// never overwrites one that has not moved yet.
Status Rewrite(std::span<const NalUnit> units, uint32_t lengthSize, size_t unitsEnd, size_t size,
               std::span<const std::span<const uint8_t>> prefix, size_t prefixSize,
               SpanWriter& out) {
  const size_t growth = kStartCode.size() - lengthSize;
  size_t shift = prefixSize + units.size() * growth;
  ZEB_MOVIE_TRY(out.Seek(unitsEnd + shift));
  ZEB_MOVIE_TRY(out.Move(unitsEnd, size - unitsEnd));
  for (size_t i = units.size(); i-- > 0;) {
    shift -= growth;
    const size_t to = units[i].lengthAt + shift;
    ZEB_MOVIE_TRY(out.Seek(to + kStartCode.size()));
    ZEB_MOVIE_TRY(out.Move(units[i].lengthAt + lengthSize, units[i].payload));
    ZEB_MOVIE_TRY(out.Seek(to));
    ZEB_MOVIE_TRY(out.PutBytes(kStartCode));
  }
  ZEB_MOVIE_TRY(out.Seek(0));
  for (const auto set : prefix) {
    ZEB_MOVIE_TRY(out.PutBytes(kStartCode));
    ZEB_MOVIE_TRY(out.PutBytes(set));
  }
  return Status::Ok();
}

}  // namespace

std::optional<uint32_t> LengthPrefixedToAnnexB(const AvcConfigRecord& config, bool keyFrame,
                                               std::span<uint8_t> buffer, uint32_t size) {
  if (size > buffer.size()) return std::nullopt;
  const uint32_t lengthSize = config.NalLengthSize();
  std::vector<NalUnit> units;
  units.reserve(16);
  const size_t unitsEnd = FindUnits(ByteReader(buffer.first(size)), lengthSize, units);

  std::vector<std::span<const uint8_t>> prefix;
  size_t prefixSize = 0;
  if (keyFrame) prefix = PrefixSets(config);
  for (const auto set : prefix) prefixSize += kStartCode.size() + set.size();
  const uint64_t grown =
      uint64_t{size} + units.size() * (kStartCode.size() - lengthSize) + prefixSize;
  if (grown > buffer.size()) return std::nullopt;
  SpanWriter out(buffer);
  if (!Rewrite(units, lengthSize, unitsEnd, size, prefix, prefixSize, out).IsOk()) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(grown);
}

std::optional<size_t> AnnexBToLengthPrefixed(std::span<const uint8_t> accessUnit,
                                             uint32_t nalLengthSize, bool dropParameterSets,
                                             std::span<uint8_t> out) {
  if (nalLengthSize < 1 || nalLengthSize > kStartCode.size()) return std::nullopt;
  const uint64_t longest = (uint64_t{1} << (8 * nalLengthSize)) - 1;
  SpanWriter writer(out);
  StartCodeScanner scanner(accessUnit);
  while (const auto unit = scanner.Next()) {
    const uint8_t type = unit->front() & kNalTypeMask;
    if (dropParameterSets && (type == kSequenceSetType || type == kPictureSetType)) continue;
    if (unit->size() > longest || !writer.PutBigEndian(nalLengthSize, unit->size()).IsOk() ||
        !writer.PutBytes(*unit).IsOk()) {
      return std::nullopt;
    }
  }
  return writer.Position();
}

bool IsLengthPrefixed(std::span<const uint8_t> sample, uint32_t nalLengthSize) {
  if (nalLengthSize < 1 || nalLengthSize > kStartCode.size() || sample.empty()) return false;
  ByteReader reader(sample);
  while (reader.Remaining() != 0) {
    uint64_t length = 0;
    std::span<const uint8_t> unit;
    if (!reader.ReadBigEndian(nalLengthSize, length).IsOk() || length == 0 ||
        !reader.ReadBytes(length, unit).IsOk() || (unit.front() & kForbiddenBit) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace zeb::media
