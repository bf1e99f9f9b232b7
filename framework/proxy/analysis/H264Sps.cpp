#include "framework/proxy/analysis/H264Sps.h"

#include <algorithm>
#include <array>

#include "framework/proxy/analysis/BitReader.h"

namespace zeb::analysis {

namespace {

constexpr uint32_t kMaxChromaFormatIdc = 3;
constexpr uint32_t kMaxBitDepthMinus8 = 6;
constexpr uint32_t kMaxLog2Minus4 = 12;
constexpr uint32_t kMaxPicOrderCntType = 2;
constexpr uint32_t kMaxRefFramesInPicOrderCntCycle = 255;
constexpr uint32_t kMaxMacroblocksAcross = 1024;  // 16384 luma samples
constexpr uint32_t kMaxCpbCount = 32;
constexpr uint32_t kMacroblockSize = 16;
constexpr uint32_t kExtendedSar = 255;

// Profiles whose SPS carries chroma format, bit depth and scaling lists (7.3.2.1.1).
constexpr std::array<uint32_t, 13> kHighProfiles = {100, 110, 122, 244, 44,  83, 86,
                                                    118, 128, 138, 139, 134, 135};

// Sample aspect ratios of aspect_ratio_idc 1 to 16 (table E-1).
constexpr std::array<Ratio, 17> kSampleAspects = {{
    {0, 0},
    {1, 1},
    {12, 11},
    {10, 11},
    {16, 11},
    {40, 33},
    {24, 11},
    {20, 11},
    {32, 11},
    {80, 33},
    {18, 11},
    {15, 11},
    {64, 33},
    {160, 99},
    {4, 3},
    {3, 2},
    {2, 1},
}};

bool ReadUeUpTo(BitReader& reader, uint32_t max, uint32_t* value) {
  return reader.ReadUe(value) && *value <= max;
}

bool SkipUe(BitReader& reader, unsigned count) {
  uint32_t ignored = 0;
  for (unsigned i = 0; i < count; ++i) {
    if (!reader.ReadUe(&ignored)) return false;
  }
  return true;
}

bool SkipScalingList(BitReader& reader, unsigned size) {
  int32_t lastScale = 8;
  int32_t nextScale = 8;
  for (unsigned j = 0; j < size && nextScale != 0; ++j) {
    int32_t delta = 0;
    if (!reader.ReadSe(&delta) || delta < -128 || delta > 127) return false;
    nextScale = (lastScale + delta + 256) % 256;
    if (nextScale != 0) lastScale = nextScale;
  }
  return true;
}

bool SkipScalingMatrix(BitReader& reader, uint32_t chromaFormatIdc) {
  const unsigned lists = chromaFormatIdc == 3 ? 12 : 8;
  for (unsigned i = 0; i < lists; ++i) {
    bool present = false;
    if (!reader.ReadFlag(&present)) return false;
    if (present && !SkipScalingList(reader, i < 6 ? 16 : 64)) return false;
  }
  return true;
}

bool ReadHighProfileFields(BitReader& reader, H264Sps& sps) {
  uint32_t lumaMinus8 = 0, chromaMinus8 = 0;
  bool bypass = false, scalingMatrix = false;
  if (!ReadUeUpTo(reader, kMaxChromaFormatIdc, &sps.chromaFormatIdc)) return false;
  if (sps.chromaFormatIdc == 3 && !reader.ReadFlag(&sps.separateColourPlane)) return false;
  if (!ReadUeUpTo(reader, kMaxBitDepthMinus8, &lumaMinus8) ||
      !ReadUeUpTo(reader, kMaxBitDepthMinus8, &chromaMinus8) || !reader.ReadFlag(&bypass) ||
      !reader.ReadFlag(&scalingMatrix)) {
    return false;
  }
  sps.bitDepthLuma = 8 + lumaMinus8;
  return !scalingMatrix || SkipScalingMatrix(reader, sps.chromaFormatIdc);
}

bool ReadPicOrderCount(BitReader& reader, H264Sps& sps) {
  if (!ReadUeUpTo(reader, kMaxPicOrderCntType, &sps.picOrderCntType)) return false;
  if (sps.picOrderCntType == 0) {
    uint32_t lsbMinus4 = 0;
    if (!ReadUeUpTo(reader, kMaxLog2Minus4, &lsbMinus4)) return false;
    sps.log2MaxPicOrderCntLsb = lsbMinus4 + 4;
  } else if (sps.picOrderCntType == 1) {
    int32_t offsetForNonRefPic = 0;
    uint32_t cycle = 0;
    if (!reader.ReadFlag(&sps.deltaPicOrderAlwaysZero) || !reader.ReadSe(&offsetForNonRefPic) ||
        !reader.ReadSe(&sps.offsetForTopToBottomField) ||
        !ReadUeUpTo(reader, kMaxRefFramesInPicOrderCntCycle, &cycle)) {
      return false;
    }
    for (uint32_t i = 0; i < cycle; ++i) {
      int32_t offset = 0;
      if (!reader.ReadSe(&offset)) return false;
    }
  }
  return true;
}

std::optional<H264Hrd> ReadHrd(BitReader& reader) {
  uint32_t cpbCountMinus1 = 0, bitRateScale = 0, cpbSizeScale = 0;
  if (!ReadUeUpTo(reader, kMaxCpbCount - 1, &cpbCountMinus1) ||
      !reader.ReadBits(4, &bitRateScale) || !reader.ReadBits(4, &cpbSizeScale)) {
    return std::nullopt;
  }
  H264Hrd hrd;
  for (uint32_t i = 0; i <= cpbCountMinus1; ++i) {
    uint32_t bitRateMinus1 = 0, cpbSizeMinus1 = 0;
    bool cbr = false;
    if (!reader.ReadUe(&bitRateMinus1) || !reader.ReadUe(&cpbSizeMinus1) ||
        !reader.ReadFlag(&cbr)) {
      return std::nullopt;
    }
    if (i == 0) hrd.bitRate = (uint64_t{bitRateMinus1} + 1) << (6 + bitRateScale);
  }
  uint32_t initialDelayMinus1 = 0, removalMinus1 = 0, outputMinus1 = 0, timeOffsetLength = 0;
  if (!reader.ReadBits(5, &initialDelayMinus1) || !reader.ReadBits(5, &removalMinus1) ||
      !reader.ReadBits(5, &outputMinus1) || !reader.ReadBits(5, &timeOffsetLength)) {
    return std::nullopt;
  }
  hrd.cpbRemovalDelayBits = removalMinus1 + 1;
  hrd.dpbOutputDelayBits = outputMinus1 + 1;
  return hrd;
}

bool ReadSampleAspect(BitReader& reader, H264Vui& vui) {
  bool present = false;
  uint32_t idc = 0;
  if (!reader.ReadFlag(&present)) return false;
  if (!present) return true;
  if (!reader.ReadBits(8, &idc)) return false;
  if (idc == kExtendedSar) {
    return reader.ReadBits(16, &vui.sampleAspect.num) && reader.ReadBits(16, &vui.sampleAspect.den);
  }
  if (idc < kSampleAspects.size()) vui.sampleAspect = kSampleAspects[idc];
  return true;
}

bool ReadVideoSignalType(BitReader& reader, H264Vui& vui) {
  bool overscanPresent = false, overscanAppropriate = false, signalPresent = false;
  bool colourPresent = false;
  uint32_t videoFormat = 0;
  if (!reader.ReadFlag(&overscanPresent) ||
      (overscanPresent && !reader.ReadFlag(&overscanAppropriate)) ||
      !reader.ReadFlag(&signalPresent)) {
    return false;
  }
  if (!signalPresent) return true;
  if (!reader.ReadBits(3, &videoFormat) || !reader.ReadFlag(&vui.fullRange) ||
      !reader.ReadFlag(&colourPresent)) {
    return false;
  }
  if (!colourPresent) return true;
  ColourDescription colour;
  if (!reader.ReadBits(8, &colour.primaries) || !reader.ReadBits(8, &colour.transfer) ||
      !reader.ReadBits(8, &colour.matrix)) {
    return false;
  }
  vui.colour = colour;
  return true;
}

// A presence flag and, when set, the HRD parameters that follow it.
bool ReadOptionalHrd(BitReader& reader, std::optional<H264Hrd>& hrd) {
  bool present = false;
  if (!reader.ReadFlag(&present)) return false;
  if (present) hrd = ReadHrd(reader);
  return !present || hrd.has_value();
}

bool ReadTimingAndHrd(BitReader& reader, H264Vui& vui) {
  bool chromaLocation = false, timing = false, fixedRate = false, lowDelay = false;
  if (!reader.ReadFlag(&chromaLocation) || (chromaLocation && !SkipUe(reader, 2)) ||
      !reader.ReadFlag(&timing)) {
    return false;
  }
  if (timing && (!reader.ReadBits(32, &vui.numUnitsInTick) ||
                 !reader.ReadBits(32, &vui.timeScale) || !reader.ReadFlag(&fixedRate))) {
    return false;
  }
  std::optional<H264Hrd> nalHrd, vclHrd;
  if (!ReadOptionalHrd(reader, nalHrd) || !ReadOptionalHrd(reader, vclHrd)) return false;
  vui.hrd = nalHrd ? nalHrd : vclHrd;
  if (vui.hrd && !reader.ReadFlag(&lowDelay)) return false;
  return reader.ReadFlag(&vui.picStructPresent);
}

std::optional<H264Vui> ReadVui(BitReader& reader) {
  H264Vui vui;
  if (!ReadSampleAspect(reader, vui) || !ReadVideoSignalType(reader, vui) ||
      !ReadTimingAndHrd(reader, vui)) {
    return std::nullopt;
  }
  return vui;
}

// Frame size in luma samples after cropping (7.4.2.1.1); false when the crop
// leaves nothing.
bool ReadPictureSize(BitReader& reader, H264Sps& sps) {
  uint32_t widthMbsMinus1 = 0, heightMapUnitsMinus1 = 0, maxRefFrames = 0;
  bool gaps = false, mbAdaptive = false, direct8x8 = false, cropping = false;
  if (!reader.ReadUe(&maxRefFrames) || !reader.ReadFlag(&gaps) ||
      !ReadUeUpTo(reader, kMaxMacroblocksAcross - 1, &widthMbsMinus1) ||
      !ReadUeUpTo(reader, kMaxMacroblocksAcross - 1, &heightMapUnitsMinus1) ||
      !reader.ReadFlag(&sps.frameMbsOnly) || (!sps.frameMbsOnly && !reader.ReadFlag(&mbAdaptive)) ||
      !reader.ReadFlag(&direct8x8) || !reader.ReadFlag(&cropping)) {
    return false;
  }
  const uint64_t codedWidth = uint64_t{widthMbsMinus1 + 1} * kMacroblockSize;
  const uint64_t codedHeight =
      uint64_t{heightMapUnitsMinus1 + 1} * kMacroblockSize * (sps.frameMbsOnly ? 1 : 2);
  std::array<uint32_t, 4> crop{};  // left, right, top, bottom
  for (uint32_t& offset : crop) {
    if (cropping && !reader.ReadUe(&offset)) return false;
  }
  const uint32_t chromaArrayType = sps.separateColourPlane ? 0 : sps.chromaFormatIdc;
  const uint64_t cropUnitX = (chromaArrayType == 1 || chromaArrayType == 2) ? 2 : 1;
  const uint64_t cropUnitY = (chromaArrayType == 1 ? 2 : 1) * (sps.frameMbsOnly ? 1 : 2);
  const uint64_t cropX = cropUnitX * (uint64_t{crop[0]} + crop[1]);
  const uint64_t cropY = cropUnitY * (uint64_t{crop[2]} + crop[3]);
  if (cropX >= codedWidth || cropY >= codedHeight) return false;
  sps.width = static_cast<uint32_t>(codedWidth - cropX);
  sps.height = static_cast<uint32_t>(codedHeight - cropY);
  return true;
}

}  // namespace

std::optional<H264Sps> ParseH264Sps(std::span<const uint8_t> payload) {
  BitReader reader(payload, BitReader::Escaping::kH264);
  H264Sps sps;
  uint32_t constraintsAndLevel = 0, log2FrameNumMinus4 = 0;
  bool vuiPresent = false;
  if (!reader.ReadBits(8, &sps.profileIdc) || !reader.ReadBits(16, &constraintsAndLevel) ||
      !ReadUeUpTo(reader, kH264MaxSpsId, &sps.id)) {
    return std::nullopt;
  }
  const bool highProfile =
      std::find(kHighProfiles.begin(), kHighProfiles.end(), sps.profileIdc) != kHighProfiles.end();
  if (highProfile && !ReadHighProfileFields(reader, sps)) {
    return std::nullopt;
  }
  if (!ReadUeUpTo(reader, kMaxLog2Minus4, &log2FrameNumMinus4) || !ReadPicOrderCount(reader, sps) ||
      !ReadPictureSize(reader, sps) || !reader.ReadFlag(&vuiPresent)) {
    return std::nullopt;
  }
  sps.log2MaxFrameNum = log2FrameNumMinus4 + 4;
  if (vuiPresent) sps.vui = ReadVui(reader).value_or(H264Vui{});
  return sps;
}

}  // namespace zeb::analysis
