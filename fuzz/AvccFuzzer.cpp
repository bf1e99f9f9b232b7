// An 'avcC' record and an 'avc1' sample from the fuzz bytes: the record is
// parsed and built again, the sample rewritten to Annex B in place and back
// to length prefixes, and the start-code scanner run over both byte strings.
// Every result must stay inside its buffer and agree with the other side.
//
// Input: byte 0 = length-size code (bits 0-1, for a record that is not
// kept), key flag (bit 2), room for growth in 16-byte steps (bits 3-7);
// bytes 1-2 = the record's length, big-endian; the record; the sample.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "media/AnnexB.h"
#include "media/AvcConfigRecord.h"
#include "media/StartCodeScanner.h"

namespace {

using namespace zeb::media;

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckScanner(std::span<const uint8_t> stream) {
  StartCodeScanner scanner(stream);
  while (const auto unit = scanner.Next()) {
    Require(!unit->empty() && unit->back() != 0);
    Require(unit->data() >= stream.data() &&
            unit->data() + unit->size() <= stream.data() + stream.size());
  }
}

// Units written with lengths are exactly the scanner's units of the source.
void CheckLengthPrefixed(std::span<const uint8_t> annexB, uint32_t lengthSize) {
  std::vector<uint8_t> out(annexB.size() * 2 + 8);
  const auto written = AnnexBToLengthPrefixed(annexB, lengthSize, false, out);
  if (!written) return;
  Require(*written <= out.size());
  zeb::movie::ByteReader units(std::span(out).first(*written));
  StartCodeScanner scanner(annexB);
  while (const auto unit = scanner.Next()) {
    uint64_t length = 0;
    std::span<const uint8_t> bytes;
    Require(units.ReadBigEndian(lengthSize, length).IsOk() && length == unit->size());
    Require(units.ReadBytes(length, bytes).IsOk() &&
            std::equal(bytes.begin(), bytes.end(), unit->begin()));
  }
  Require(units.Remaining() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const std::span<const uint8_t> input(data, size);
  const uint8_t control = input[0];
  const size_t recordBytes = std::min<size_t>((size_t{input[1]} << 8) | input[2], size - 3);
  const auto payload = input.subspan(3, recordBytes);
  const auto sample = input.subspan(3 + recordBytes);

  AvcConfigRecord record;
  record.lengthSizeCode = control & 3;
  const AvcConfigParse outcome = ParseAvcConfig(zeb::movie::ByteReader(payload), record);
  Require(outcome >= AvcConfigParse::kComplete && outcome <= AvcConfigParse::kHeadUnusable);
  if (outcome == AvcConfigParse::kComplete || outcome == AvcConfigParse::kPictureSetsCut) {
    Require(!record.sps.empty() && record.sps.size() <= kMaxSequenceSets);
    Require(record.pps.size() <= kMaxPictureSets && record.lengthSizeCode <= 3);
    const auto built = BuildAvcConfig(record);
    AvcConfigRecord again;
    Require(built.has_value() &&
            ParseAvcConfig(zeb::movie::ByteReader(*built), again) == AvcConfigParse::kComplete &&
            again == record);
  }

  const bool key = (control & 4) != 0;
  std::vector<uint8_t> buffer(sample.begin(), sample.end());
  buffer.resize(sample.size() + size_t{control} / 8 * 16, 0xA5);
  const std::vector<uint8_t> before = buffer;
  const auto grown =
      LengthPrefixedToAnnexB(record, key, buffer, static_cast<uint32_t>(sample.size()));
  if (!grown) {
    Require(buffer == before);
  } else {
    Require(*grown <= buffer.size());
    const auto annexB = std::span<const uint8_t>(buffer).first(*grown);
    CheckScanner(annexB);
    CheckLengthPrefixed(annexB, record.NalLengthSize());
  }
  CheckScanner(sample);
  CheckLengthPrefixed(sample, 1 + (control & 3));
  return 0;
}
