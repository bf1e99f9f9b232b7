// The MPEG-4 elementary-stream descriptor of an 'esds' atom (ISO/IEC
// 14496-1): what the codec bridge takes from it is the decoder's
// configuration, the DecoderSpecificInfo.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/movie/Status.h"

namespace zeb::codec {

// The DecoderSpecificInfo of an 'esds' payload (version and flags, then an
// ES_Descriptor holding a DecoderConfigDescriptor that holds it).
zeb::movie::Status DecoderSpecificInfo(std::span<const uint8_t> esds, std::vector<uint8_t>& info);

}  // namespace zeb::codec
