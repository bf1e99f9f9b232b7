#include "framework/proxy/analysis/H264FrameType.h"

#include "framework/proxy/analysis/BitReader.h"
#include "framework/proxy/analysis/H264Nal.h"
#include "framework/proxy/analysis/H264SliceHeader.h"
#include "framework/proxy/analysis/StartCodeScanner.h"
#include "zebplug/ZEBPlugEnums.h"

namespace zeb::analysis {

namespace {

uint32_t PictureType(H264SliceKind kind) {
  switch (kind) {
    case H264SliceKind::kP:
    case H264SliceKind::kSp:
      return PLUG_FRAME_COMPRESS_TYPE_P_;
    case H264SliceKind::kB:
      return PLUG_FRAME_COMPRESS_TYPE_B_;
    default:
      return PLUG_FRAME_COMPRESS_TYPE_I_;
  }
}

}  // namespace

uint32_t ClassifyH264AccessUnit(std::span<const uint8_t> accessUnit) {
  StartCodeScanner scanner(accessUnit);
  while (const auto unit = scanner.Next()) {
    const auto nal = ReadH264Nal(*unit);
    if (!nal || !IsH264SliceNal(nal->type)) continue;
    BitReader reader(nal->payload, BitReader::Escaping::kH264);
    const auto start = ReadH264SliceStart(reader);
    if (!start) continue;
    if (nal->type == H264NalType::kIdrSlice) return PLUG_FRAME_COMPRESS_TYPE_IDR_;
    return PictureType(start->kind);
  }
  return PLUG_FRAME_COMPRESS_TYPE_NONE_;
}

}  // namespace zeb::analysis
