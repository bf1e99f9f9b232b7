#ifndef ZEB_TESTS_ANALYSIS_EXPECTED_RECORD_H
#define ZEB_TESTS_ANALYSIS_EXPECTED_RECORD_H

#include <cstdint>
#include <map>
#include <string>

#include "zebplug/ZEBPlugRecords.h"

namespace zeb::analysis::test {

using ProbedStream = std::map<std::string, std::string>;

// Checks the record's picture words against ffprobe's view of the stream:
// width, height, display aspect ratio (square samples when ffprobe has none),
// frame rate, colour format (pix_fmt), colour description (ffprobe "unknown"
// means the picture-size default), video range and, when ffprobe knows it, the
// field order. Also checks the size word.
void ExpectRecordMatchesProbe(const SPlugVideoStreamInfo& info, const ProbedStream& stream);

uint32_t H264ProfileIdc(const std::string& profile);

}  // namespace zeb::analysis::test

#endif
