// Starts the media layer once per process. Returns 1 when it is started (now
// or earlier), 0 when it cannot be started; a failed start is retried in full
// by the next call.
#pragma once

#include <cstdint>

uint32_t LoadQuickTimeOnce();
