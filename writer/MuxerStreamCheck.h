// Whether the movie writer can carry a proposed pair of streams, and in
// which form: DV codes get their fixed rates and sizes, MPEG video becomes
// 'mpeg', PCM gets its QuickTime sound format. The records are rewritten to
// what the writer will take.
#pragma once

#include <cstdint>

#include "zebplug/ZEBPlugRecords.h"

// 0, or 0x80000207 (video cannot be carried) / 0x80000208 (audio cannot).
uint32_t CheckMuxerStreams(SPlugMuxStreamCheck& streams);

// The DVCPRO HD codes, written as 1920 × 1080 whatever their records say.
bool IsDvcproHd(uint32_t fourcc);
