#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace zeb::analysis::test {

// Byte-built H.264 NAL units (Annex B, escaped) for the cases x264 does not
// make: field pictures, chosen POC orders, odd crops and chroma formats.
struct SyntheticSps {
  uint32_t profileIdc = 100, chromaFormatIdc = 1, widthMbs = 20, heightMapUnits = 15;
  bool frameMbsOnly = true;
  bool scalingLists = false;       // three lists coded, one of them ended early
  std::array<uint32_t, 4> crop{};  // left, right, top, bottom in crop units
  uint32_t picOrderCntType = 0;
  int32_t offsetForTopToBottomField = 0;  // POC type 1
  uint32_t sarIdc = 0;                    // 0: no aspect information
  uint32_t sarWidth = 0;                  // with sarIdc 255
  uint32_t sarHeight = 0;
  bool fullRange = false;
  std::optional<std::array<uint32_t, 3>> colour = std::nullopt;  // primaries, transfer, matrix
  uint32_t numUnitsInTick = 1, timeScale = 50;
  bool picStructPresent = false;
};

struct SyntheticSlice {
  uint8_t nalType = 5;
  uint32_t sliceType = 7;
  bool fieldPic = false, bottomField = false;
  int32_t deltaPocBottom = 0;  // written when the PPS says so and fieldPic is clear
};

std::vector<uint8_t> SpsNal(const SyntheticSps& sps);
std::vector<uint8_t> PpsNal(bool bottomFieldPicOrderInFramePresent);
std::vector<uint8_t> PicTimingSeiNal(uint32_t picStruct);
std::vector<uint8_t> SliceNal(const SyntheticSps& sps, bool bottomFieldPicOrderInFramePresent,
                              const SyntheticSlice& slice);

}  // namespace zeb::analysis::test
