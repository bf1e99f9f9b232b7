#include "tests/analysis/SyntheticH264.h"

#include "tests/analysis/AnalysisTestSupport.h"

namespace zeb::analysis::test {

namespace {

constexpr uint32_t kLog2MaxFrameNum = 4;
constexpr uint32_t kLog2MaxPocLsb = 6;

// Clock timestamps that follow each pic_struct value (table D-1).
constexpr std::array<uint32_t, 9> kClockTimestamps = {1, 1, 1, 2, 2, 3, 3, 2, 3};

// Lists 0 (ended by a zero scale after two deltas), 1 (all 16) and 6 (all 64);
// the others are not coded.
void WriteScalingLists(BitWriter& writer) {
  for (unsigned list = 0; list < 8; ++list) {
    writer.Flag(list == 0 || list == 1 || list == 6);
    if (list == 0) writer.Se(8).Se(-16);
    if (list == 1) {
      for (int j = 0; j < 16; ++j) writer.Se(1);
    }
    if (list == 6) {
      for (int j = 0; j < 64; ++j) writer.Se(j % 2 ? -3 : 3);
    }
  }
}

void WriteVui(BitWriter& writer, const SyntheticSps& sps) {
  writer.Flag(sps.sarIdc != 0);
  if (sps.sarIdc != 0) {
    writer.Bits(sps.sarIdc, 8);
    if (sps.sarIdc == 255) writer.Bits(sps.sarWidth, 16).Bits(sps.sarHeight, 16);
  }
  writer.Flag(false);  // overscan
  const bool signalType = sps.fullRange || sps.colour;
  writer.Flag(signalType);
  if (signalType) {
    writer.Bits(5, 3).Flag(sps.fullRange).Flag(sps.colour.has_value());
    if (sps.colour) {
      for (uint32_t code : *sps.colour) writer.Bits(code, 8);
    }
  }
  writer.Flag(false);  // chroma location
  writer.Flag(true).Bits(sps.numUnitsInTick, 32).Bits(sps.timeScale, 32).Flag(true);
  writer.Flag(false).Flag(false);                 // no NAL or VCL HRD
  writer.Flag(sps.picStructPresent).Flag(false);  // no bitstream restriction
}

}  // namespace

std::vector<uint8_t> SpsNal(const SyntheticSps& sps) {
  BitWriter writer;
  writer.Bits(sps.profileIdc, 8).Bits(0, 8).Bits(40, 8).Ue(0);
  if (sps.profileIdc >= 100) {
    writer.Ue(sps.chromaFormatIdc);
    if (sps.chromaFormatIdc == 3) writer.Flag(false);
    writer.Ue(0).Ue(0).Flag(false).Flag(sps.scalingLists);
    if (sps.scalingLists) WriteScalingLists(writer);
  }
  writer.Ue(kLog2MaxFrameNum - 4).Ue(sps.picOrderCntType);
  if (sps.picOrderCntType == 0) writer.Ue(kLog2MaxPocLsb - 4);
  if (sps.picOrderCntType == 1) {
    writer.Flag(true).Se(0).Se(sps.offsetForTopToBottomField).Ue(1).Se(2);
  }
  writer.Ue(2).Flag(false).Ue(sps.widthMbs - 1).Ue(sps.heightMapUnits - 1);
  writer.Flag(sps.frameMbsOnly);
  if (!sps.frameMbsOnly) writer.Flag(true);  // MBAFF
  const bool cropping = sps.crop != std::array<uint32_t, 4>{};
  writer.Flag(true).Flag(cropping);
  if (cropping) {
    for (uint32_t offset : sps.crop) writer.Ue(offset);
  }
  writer.Flag(true);
  WriteVui(writer, sps);
  return writer.Nal(3, 7);
}

std::vector<uint8_t> PpsNal(bool bottomFieldPicOrderInFramePresent) {
  BitWriter writer;
  writer.Ue(0).Ue(0).Flag(false).Flag(bottomFieldPicOrderInFramePresent);
  writer.Ue(0).Ue(0).Ue(0).Flag(false).Bits(0, 2).Se(0).Se(0).Se(0);
  writer.Flag(true).Flag(false).Flag(false);
  return writer.Nal(3, 8);
}

std::vector<uint8_t> PicTimingSeiNal(uint32_t picStruct) {
  BitWriter writer;
  const uint32_t timestamps = kClockTimestamps[picStruct];
  writer.Bits(1, 8).Bits(1, 8);                       // payloadType 1, payloadSize 1
  writer.Bits(picStruct, 4).Bits(0, timestamps);      // no clock timestamps
  writer.Flag(true).Bits(0, 8 - 4 - timestamps - 1);  // payload alignment
  return writer.Nal(0, 6);
}

std::vector<uint8_t> SliceNal(const SyntheticSps& sps, bool bottomFieldPicOrderInFramePresent,
                              const SyntheticSlice& slice) {
  BitWriter writer;
  writer.Ue(0).Ue(slice.sliceType).Ue(0).Bits(0, kLog2MaxFrameNum);
  if (!sps.frameMbsOnly) {
    writer.Flag(slice.fieldPic);
    if (slice.fieldPic) writer.Flag(slice.bottomField);
  }
  if (slice.nalType == 5) writer.Ue(0);
  const bool frameDelta = bottomFieldPicOrderInFramePresent && !slice.fieldPic;
  if (sps.picOrderCntType == 0) {
    writer.Bits(0, kLog2MaxPocLsb);
    if (frameDelta) writer.Se(slice.deltaPocBottom);
  }
  writer.Bits(0x5A5A, 16);  // stands for the rest of the slice
  return writer.Nal(slice.nalType == 5 ? 3 : 2, slice.nalType);
}

}  // namespace zeb::analysis::test
