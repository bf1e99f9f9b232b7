#pragma once

#include <cstdint>
#include <optional>

#include "framework/proxy/analysis/H264Sei.h"
#include "framework/proxy/analysis/H264SliceHeader.h"
#include "framework/proxy/analysis/H264Sps.h"
#include "framework/proxy/analysis/VideoRecord.h"

namespace zeb::h264dec {

// PLUG_FIELD_ORDER_ of a stream from its SPS and first slice (rules in
// ZEBPlugH264Dec.h).
uint32_t H264FieldOrder(const analysis::H264Sps& sps, const analysis::H264SliceFields& slice,
                        std::optional<analysis::H264PicStruct> picStruct);

// What frame_mbs_only_flag alone tells before a slice is seen.
uint32_t H264ProvisionalFieldOrder(const analysis::H264Sps& sps);

// The stream record's words as the SPS sets them.
analysis::VideoFacts H264StreamFacts(const analysis::H264Sps& sps, uint32_t fieldOrder);

}  // namespace zeb::h264dec
