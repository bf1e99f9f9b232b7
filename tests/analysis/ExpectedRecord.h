#pragma once

#include "tests/support/Ffprobe.h"
#include "zebplug/ZEBPlugRecords.h"

namespace zeb::analysis::test {

// Checks the record's size word and picture words against ffprobe's view of
// the stream: size, display aspect ratio (square samples when ffprobe has
// none), frame rate, pix_fmt, colour codes (ffprobe "unknown" means the
// picture-size default), video range and, when ffprobe knows it, field order.
void ExpectRecordMatchesProbe(const SPlugVideoStreamInfo& info,
                              const zeb::test::ProbeFields& stream);

}  // namespace zeb::analysis::test
