#include "framework/proxy/analysis/H264SliceHeader.h"

namespace zeb::analysis {

namespace {

constexpr uint32_t kMaxSliceType = 9;
constexpr uint32_t kSliceKinds = 5;

// Bottom minus top picture order count of a frame (8.2.1): POC type 0 codes the
// difference, type 1 adds a coded correction to the SPS offset, type 2 has none.
bool ReadPicOrderCount(BitReader& reader, const H264Sps& sps, const H264Pps& pps,
                       H264SliceFields& fields) {
  const bool frameDelta = pps.bottomFieldPicOrderInFramePresent && !fields.fieldPic;
  if (sps.picOrderCntType == 0) {
    uint32_t lsb = 0;
    int32_t deltaBottom = 0;
    if (!reader.ReadBits(sps.log2MaxPicOrderCntLsb, &lsb) ||
        (frameDelta && !reader.ReadSe(&deltaBottom))) {
      return false;
    }
    fields.bottomMinusTopPoc = deltaBottom;
  } else if (sps.picOrderCntType == 1) {
    int32_t delta0 = 0, delta1 = 0;
    if (!sps.deltaPicOrderAlwaysZero &&
        (!reader.ReadSe(&delta0) || (frameDelta && !reader.ReadSe(&delta1)))) {
      return false;
    }
    if (!fields.fieldPic) {
      fields.bottomMinusTopPoc = int64_t{sps.offsetForTopToBottomField} + delta1;
    }
  }
  return true;
}

}  // namespace

std::optional<H264SliceStart> ReadH264SliceStart(BitReader& reader) {
  H264SliceStart start;
  uint32_t sliceType = 0;
  if (!reader.ReadUe(&start.firstMb) || !reader.ReadUe(&sliceType) || sliceType > kMaxSliceType ||
      !reader.ReadUe(&start.ppsId) || start.ppsId > kH264MaxPpsId) {
    return std::nullopt;
  }
  start.kind = static_cast<H264SliceKind>(sliceType % kSliceKinds);
  return start;
}

std::optional<H264SliceFields> ReadH264SliceFields(BitReader& reader, bool idr, const H264Sps& sps,
                                                   const H264Pps& pps) {
  H264SliceFields fields;
  uint32_t colourPlane = 0, frameNum = 0, idrPicId = 0;
  if ((sps.separateColourPlane && !reader.ReadBits(2, &colourPlane)) ||
      !reader.ReadBits(sps.log2MaxFrameNum, &frameNum)) {
    return std::nullopt;
  }
  if (!sps.frameMbsOnly && !reader.ReadFlag(&fields.fieldPic)) return std::nullopt;
  if (fields.fieldPic && !reader.ReadFlag(&fields.bottomField)) return std::nullopt;
  if (idr && !reader.ReadUe(&idrPicId)) return std::nullopt;
  if (!ReadPicOrderCount(reader, sps, pps, fields)) return std::nullopt;
  return fields;
}

}  // namespace zeb::analysis
