#include "framework/proxy/analysis/H264Pps.h"

#include "framework/proxy/analysis/BitReader.h"
#include "framework/proxy/analysis/H264Sps.h"

namespace zeb::analysis {

std::optional<H264Pps> ParseH264Pps(std::span<const uint8_t> payload) {
  BitReader reader(payload, BitReader::Escaping::kH264);
  H264Pps pps;
  bool entropyCodingMode = false;
  if (!reader.ReadUe(&pps.id) || pps.id > kH264MaxPpsId || !reader.ReadUe(&pps.spsId) ||
      pps.spsId > kH264MaxSpsId || !reader.ReadFlag(&entropyCodingMode) ||
      !reader.ReadFlag(&pps.bottomFieldPicOrderInFramePresent)) {
    return std::nullopt;
  }
  return pps;
}

}  // namespace zeb::analysis
