#include "tools/zebqt/AvcSampleForm.h"

#include <cstring>
#include <stdexcept>

#include "media/AnnexB.h"
#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"
#include "media/StartCodeScanner.h"
#include "platform/movie/ByteReader.h"

namespace {

constexpr uint8_t kNalTypeMask = 0x1F;
constexpr uint8_t kSequenceSet = 7;
constexpr uint8_t kPictureSet = 8;
constexpr size_t kStartCode = 3;  // 00 00 01 before every unit the scanner hands out

bool IsParameterSet(uint8_t header) {
  const uint8_t type = header & kNalTypeMask;
  return type == kSequenceSet || type == kPictureSet;
}

// Where the first unit that is not a parameter set starts, its start code
// included; the stream's size when every unit is one. Only the parameter
// sets are scanned, not the picture after them.
size_t FirstPictureUnit(std::span<const uint8_t> stream) {
  const zeb::media::StartCodeScanner scanner(stream);
  for (auto unit = scanner.FindUnitStart(0); unit && *unit < stream.size();
       unit = scanner.FindUnitStart(*unit)) {
    if (!IsParameterSet(stream[*unit])) return *unit - kStartCode;
  }
  return stream.size();
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

AvcSampleForm::AvcSampleForm(std::span<const uint8_t> readerDescription)
    : description_(readerDescription.begin(), readerDescription.end()) {
  namespace image = zeb::media::image;
  if (readerDescription.size() < image::kHeaderSize) {
    throw std::runtime_error("the 'avc1' track has no usable image description");
  }
  header_.assign(readerDescription.begin(), readerDescription.begin() + image::kHeaderSize);
  zeb::movie::ByteReader atoms(readerDescription.subspan(image::kHeaderSize));
  uint32_t size = 0;
  uint32_t type = 0;
  while (atoms.Remaining() >= zeb::media::kAtomHeaderSize && atoms.ReadU32(size).IsOk() &&
         atoms.ReadU32(type).IsOk() && size >= zeb::media::kAtomHeaderSize &&
         size - zeb::media::kAtomHeaderSize <= atoms.Remaining()) {
    std::span<const uint8_t> payload;
    if (!atoms.ReadBytes(size - zeb::media::kAtomHeaderSize, payload).IsOk()) break;
    if (type != zeb::media::FourCC("avcC")) {
      const std::span<const uint8_t> whole(payload.data() - zeb::media::kAtomHeaderSize, size);
      header_.insert(header_.end(), whole.begin(), whole.end());
      continue;
    }
    zeb::media::AvcConfigRecord record;
    const auto parsed = zeb::media::ParseAvcConfig(zeb::movie::ByteReader(payload), record);
    if (parsed == zeb::media::AvcConfigParse::kComplete ||
        parsed == zeb::media::AvcConfigParse::kPictureSetsCut) {
      lengthSize_ = record.NalLengthSize();
      config_ = record;
    }
  }
}

std::span<const uint8_t> AvcSampleForm::Convert(std::span<const uint8_t> annexB) {
  const size_t picture = FirstPictureUnit(annexB);
  if (picture > 0) {
    const auto config = zeb::media::AvcConfigFromAnnexB(annexB.first(picture), lengthSize_);
    if (config && (!config_ || !(*config == *config_))) RebuildDescription(*config);
  }
  const std::span<const uint8_t> units = annexB.subspan(picture);
  // A 3-byte start code may become a 4-byte length: one more byte a unit at most.
  sample_.resize(units.size() + units.size() / 2 + 16);
  const auto written = zeb::media::AnnexBToLengthPrefixed(units, lengthSize_, false, sample_);
  if (!written) throw std::runtime_error("an H.264 unit does not fit its length field");
  return std::span<const uint8_t>(sample_).first(*written);
}

void AvcSampleForm::RebuildDescription(const zeb::media::AvcConfigRecord& config) {
  const auto payload = zeb::media::BuildAvcConfig(config);
  if (!payload) return;  // sets the atom cannot carry: the last description stays
  config_ = config;
  description_ = header_;
  PutBigEndian32(description_,
                 static_cast<uint32_t>(zeb::media::kAtomHeaderSize + payload->size()));
  PutBigEndian32(description_, zeb::media::FourCC("avcC"));
  description_.insert(description_.end(), payload->begin(), payload->end());
  const auto length = static_cast<uint32_t>(description_.size());
  std::memcpy(description_.data() + zeb::media::kDescriptionSizeAt, &length, sizeof length);
}
