#include "framework/h264dec/H264StreamAnalyzer.h"

#include "framework/h264dec/H264StreamRecord.h"
#include "framework/proxy/analysis/BitReader.h"
#include "framework/proxy/analysis/H264SliceHeader.h"
#include "framework/proxy/analysis/StartCodeScanner.h"
#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"

namespace zeb::h264dec {

using analysis::BitReader;
using analysis::H264NalType;

uint32_t H264StreamAnalyzer::Analyse(std::span<const uint8_t> bytes, SPlugVideoStreamInfo* info) {
  bool readAny = false;
  analysis::StartCodeScanner scanner(bytes);
  while (!description_) {
    const auto unit = scanner.Next();
    if (!unit) break;
    readAny = ReadNal(*unit) || readAny;
  }
  if (description_) {
    analysis::WriteVideoFacts(*description_, info);
    return ZEB_ANALYSIS_COMPLETE;
  }
  if (!readAny) return ZEB_ANALYSIS_INVALID;
  if (latestSpsId_) {
    const analysis::H264Sps& sps = *sps_[*latestSpsId_];
    analysis::WriteVideoFacts(H264StreamFacts(sps, H264ProvisionalFieldOrder(sps)), info);
  }
  return ZEB_ANALYSIS_NEED_MORE;
}

void H264StreamAnalyzer::Reset() { *this = H264StreamAnalyzer(); }

bool H264StreamAnalyzer::ReadNal(std::span<const uint8_t> unit) {
  const auto nal = analysis::ReadH264Nal(unit);
  if (!nal) return false;
  if (nal->type == H264NalType::kSequenceParameterSet) {
    ReadSps(nal->payload);
  } else if (nal->type == H264NalType::kPictureParameterSet) {
    ReadPps(nal->payload);
  } else if (nal->type == H264NalType::kSei) {
    ReadSei(nal->payload);
  } else if (analysis::IsH264SliceNal(nal->type)) {
    ReadSlice(*nal);
  }
  return true;
}

void H264StreamAnalyzer::ReadSps(std::span<const uint8_t> payload) {
  auto sps = analysis::ParseH264Sps(payload);
  if (!sps) return;
  latestSpsId_ = sps->id;
  sps_[sps->id] = std::move(sps);
}

void H264StreamAnalyzer::ReadPps(std::span<const uint8_t> payload) {
  const auto pps = analysis::ParseH264Pps(payload);
  if (pps) pps_[pps->id] = pps;
}

void H264StreamAnalyzer::ReadSei(std::span<const uint8_t> payload) {
  if (const auto timing = analysis::FindH264PicTiming(payload)) pendingPicTiming_ = timing;
}

void H264StreamAnalyzer::ReadSlice(const analysis::H264Nal& nal) {
  // A picture-timing message belongs to the access unit of the slice that follows it.
  const auto picTiming = pendingPicTiming_;
  pendingPicTiming_.reset();
  BitReader reader(nal.payload, BitReader::Escaping::kH264);
  const auto start = analysis::ReadH264SliceStart(reader);
  if (!start || !pps_[start->ppsId]) return;
  const analysis::H264Pps& pps = *pps_[start->ppsId];
  if (!sps_[pps.spsId]) return;
  const analysis::H264Sps& sps = *sps_[pps.spsId];
  const auto fields =
      analysis::ReadH264SliceFields(reader, nal.type == H264NalType::kIdrSlice, sps, pps);
  if (!fields) return;
  const auto picStruct = picTiming ? analysis::ReadH264PicStruct(*picTiming, sps) : std::nullopt;
  description_ = H264StreamFacts(sps, H264FieldOrder(sps, *fields, picStruct));
}

}  // namespace zeb::h264dec
