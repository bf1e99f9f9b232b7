// How the movies the writer opens from now on keep their recovery journal:
// how much media a crash may cost at most, and whether each journal update
// waits for the device. One setting for the process, read at each open.
#pragma once

#include "platform/movie/MovieWriter.h"

// The interval that keeps no journal at all.
inline constexpr uint32_t kRecoveryOff = UINT32_MAX;

void SetRecoveryDefaults(const zeb::movie::RecoveryOptions& options);
zeb::movie::RecoveryOptions RecoveryDefaults();
