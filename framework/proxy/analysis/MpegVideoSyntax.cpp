#include "framework/proxy/analysis/MpegVideoSyntax.h"

#include "framework/proxy/analysis/BitReader.h"

namespace zeb::analysis {

namespace {

constexpr uint32_t kMaxFrameRateCode = 8;
constexpr unsigned kQuantiserMatrixBits = 64 * 8;

// Reads the identifier nibble and checks that it is the expected one.
bool ReadExtensionId(BitReader& reader, MpegExtensionId expected) {
  uint32_t id = 0;
  return reader.ReadBits(4, &id) && id == static_cast<uint32_t>(expected);
}

bool SkipQuantiserMatrixIfLoaded(BitReader& reader) {
  bool load = false;
  return reader.ReadFlag(&load) && (!load || reader.SkipBits(kQuantiserMatrixBits));
}

}  // namespace

std::optional<MpegExtensionId> ReadMpegExtensionId(std::span<const uint8_t> body) {
  if (body.empty()) return std::nullopt;
  return static_cast<MpegExtensionId>(body[0] >> 4);
}

std::optional<MpegSequenceHeader> ParseMpegSequenceHeader(std::span<const uint8_t> body) {
  BitReader reader(body);
  MpegSequenceHeader header;
  uint32_t skipped = 0;
  if (!reader.ReadBits(12, &header.width) || !reader.ReadBits(12, &header.height) ||
      !reader.ReadBits(4, &header.aspectCode) || !reader.ReadBits(4, &header.frameRateCode) ||
      !reader.ReadBits(18, &header.bitRateValue) ||
      !reader.ReadBits(1 + 10 + 1, &skipped) ||  // marker, VBV buffer size, constrained flag
      !SkipQuantiserMatrixIfLoaded(reader) || !SkipQuantiserMatrixIfLoaded(reader)) {
    return std::nullopt;
  }
  if (header.frameRateCode == 0 || header.frameRateCode > kMaxFrameRateCode) return std::nullopt;
  return header;
}

std::optional<MpegSequenceExtension> ParseMpegSequenceExtension(std::span<const uint8_t> body) {
  BitReader reader(body);
  MpegSequenceExtension extension;
  uint32_t skipped = 0;
  if (!ReadExtensionId(reader, MpegExtensionId::kSequence) ||
      !reader.ReadBits(8, &skipped) ||  // profile and level
      !reader.ReadFlag(&extension.progressiveSequence) ||
      !reader.ReadBits(2, &extension.chromaFormat) ||
      !reader.ReadBits(2, &extension.widthExtension) ||
      !reader.ReadBits(2, &extension.heightExtension) ||
      !reader.ReadBits(12, &extension.bitRateExtension) ||
      !reader.ReadBits(1 + 8 + 1, &skipped) ||  // marker, VBV extension, low delay
      !reader.ReadBits(2, &extension.frameRateExtensionN) ||
      !reader.ReadBits(5, &extension.frameRateExtensionD)) {
    return std::nullopt;
  }
  if (extension.chromaFormat == 0) return std::nullopt;
  return extension;
}

std::optional<MpegDisplayExtension> ParseMpegDisplayExtension(std::span<const uint8_t> body) {
  BitReader reader(body);
  MpegDisplayExtension extension;
  uint32_t skipped = 0;
  bool hasColour = false;
  if (!ReadExtensionId(reader, MpegExtensionId::kSequenceDisplay) ||
      !reader.ReadBits(3, &skipped) ||  // video format
      !reader.ReadFlag(&hasColour)) {
    return std::nullopt;
  }
  if (hasColour) {
    ColourDescription colour;
    if (!reader.ReadBits(8, &colour.primaries) || !reader.ReadBits(8, &colour.transfer) ||
        !reader.ReadBits(8, &colour.matrix)) {
      return std::nullopt;
    }
    extension.colour = colour;
  }
  return extension;
}

std::optional<MpegGroupHeader> ParseMpegGroupHeader(std::span<const uint8_t> body) {
  BitReader reader(body);
  MpegGroupHeader header;
  uint32_t timeCode = 0;
  if (!reader.ReadBits(25, &timeCode) || !reader.ReadFlag(&header.closedGop) ||
      !reader.ReadFlag(&header.brokenLink)) {
    return std::nullopt;
  }
  return header;
}

std::optional<MpegPictureHeader> ParseMpegPictureHeader(std::span<const uint8_t> body) {
  BitReader reader(body);
  MpegPictureHeader header;
  uint32_t codingType = 0;
  if (!reader.ReadBits(10, &header.temporalReference) || !reader.ReadBits(3, &codingType)) {
    return std::nullopt;
  }
  if (codingType < static_cast<uint32_t>(MpegPictureCodingType::kIntra) ||
      codingType > static_cast<uint32_t>(MpegPictureCodingType::kDcOnly)) {
    return std::nullopt;
  }
  header.codingType = static_cast<MpegPictureCodingType>(codingType);
  return header;
}

std::optional<MpegPictureCodingExtension> ParseMpegPictureCodingExtension(
    std::span<const uint8_t> body) {
  BitReader reader(body);
  MpegPictureCodingExtension extension;
  uint32_t skipped = 0;
  if (!ReadExtensionId(reader, MpegExtensionId::kPictureCoding) ||
      !reader.ReadBits(16 + 2, &skipped) ||  // four f_codes, intra DC precision
      !reader.ReadBits(2, &extension.pictureStructure) ||
      !reader.ReadFlag(&extension.topFieldFirst) ||
      !reader.ReadBits(6, &skipped) ||  // frame_pred_frame_dct ... alternate_scan
      !reader.ReadFlag(&extension.repeatFirstField) ||
      !reader.ReadBits(1, &skipped) ||  // chroma_420_type
      !reader.ReadFlag(&extension.progressiveFrame)) {
    return std::nullopt;
  }
  if (extension.pictureStructure == 0) return std::nullopt;
  return extension;
}

}  // namespace zeb::analysis
