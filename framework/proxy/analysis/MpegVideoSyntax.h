#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "framework/proxy/analysis/VideoRecord.h"

// Headers of MPEG-1 (ISO/IEC 11172-2) and MPEG-2 (ISO/IEC 13818-2) video. Each
// parser takes the bytes after the start-code value (00 00 01 xx) and returns
// nullopt when they end early or hold a forbidden value.
namespace zeb::analysis {

inline constexpr uint8_t kMpegPictureStartCode = 0x00;
inline constexpr uint8_t kMpegLastSliceStartCode = 0xAF;
inline constexpr uint8_t kMpegSequenceHeaderCode = 0xB3;
inline constexpr uint8_t kMpegExtensionStartCode = 0xB5;
inline constexpr uint8_t kMpegGroupStartCode = 0xB8;

enum class MpegExtensionId : uint8_t {
  kSequence = 1,
  kSequenceDisplay = 2,
  kPictureCoding = 8,
};

struct MpegSequenceHeader {
  uint32_t width = 0;  // the 12 low bits; the sequence extension adds 2 more
  uint32_t height = 0;
  uint32_t aspectCode = 0;
  uint32_t frameRateCode = 0;  // 1 to 8
  uint32_t bitRateValue = 0;   // units of 400 bit/s, 18 low bits
};

struct MpegSequenceExtension {
  bool progressiveSequence = false;
  uint32_t chromaFormat = 0;  // 1 4:2:0, 2 4:2:2, 3 4:4:4
  uint32_t widthExtension = 0;
  uint32_t heightExtension = 0;
  uint32_t bitRateExtension = 0;
  uint32_t frameRateExtensionN = 0;
  uint32_t frameRateExtensionD = 0;
};

// Only the colour description is read; the display size that follows it is a
// pan-scan window (see the aspect ratio rule of GetMpegVideoInfo).
struct MpegDisplayExtension {
  std::optional<ColourDescription> colour;
};

struct MpegGroupHeader {
  bool closedGop = false;
  bool brokenLink = false;
};

enum class MpegPictureCodingType : uint32_t {
  kIntra = 1,
  kPredicted = 2,
  kBidirectional = 3,
  kDcOnly = 4,  // MPEG-1 D-pictures: DC coefficients only
};

struct MpegPictureHeader {
  uint32_t temporalReference = 0;
  MpegPictureCodingType codingType = MpegPictureCodingType::kIntra;
};

struct MpegPictureCodingExtension {
  uint32_t pictureStructure = 3;  // 1 top field, 2 bottom field, 3 frame
  bool topFieldFirst = false;
  bool repeatFirstField = false;
  bool progressiveFrame = false;
};

// The extension identifier: the high four bits of the first byte after 00 00 01 B5.
std::optional<MpegExtensionId> ReadMpegExtensionId(std::span<const uint8_t> body);

std::optional<MpegSequenceHeader> ParseMpegSequenceHeader(std::span<const uint8_t> body);
std::optional<MpegSequenceExtension> ParseMpegSequenceExtension(std::span<const uint8_t> body);
std::optional<MpegDisplayExtension> ParseMpegDisplayExtension(std::span<const uint8_t> body);
std::optional<MpegGroupHeader> ParseMpegGroupHeader(std::span<const uint8_t> body);
std::optional<MpegPictureHeader> ParseMpegPictureHeader(std::span<const uint8_t> body);
std::optional<MpegPictureCodingExtension> ParseMpegPictureCodingExtension(
    std::span<const uint8_t> body);

}  // namespace zeb::analysis
