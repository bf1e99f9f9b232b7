// Start-up of our media layer: the client layer, the capability query and the
// toolbox entry that the system's start-up calls in that order.
#pragma once

#include <cstdint>

namespace zeb::platform {

// Statuses are 16-bit like the rest of the media layer's: 0 is success.
using MediaStatus = int16_t;

inline constexpr MediaStatus kMediaOk = 0;
inline constexpr MediaStatus kClientLayerLoadFailed = -2093;
inline constexpr MediaStatus kClientLayerEntryMissing = -2094;
inline constexpr MediaStatus kToolboxEntryFailed = -2095;
inline constexpr MediaStatus kUnknownSelector = -5551;

// Four-character code of the version selector.
inline constexpr uint32_t kVersionSelector = 0x7174696Du;  // 'qtim'
// The version this layer reports: major 7 in the top byte like the platform
// it stands in for.
inline constexpr int32_t kMediaLayerVersion = 0x07798000;

// Starts the client layer once per process; later calls only count uses.
// Serialised across threads; a failure leaves the layer unstarted.
MediaStatus InitializeClientLayer(uint32_t flags);

// Number of successful InitializeClientLayer calls so far.
uint32_t ClientLayerUseCount();

// Answers `selector`; kVersionSelector gives the layer's version.
MediaStatus QueryCapability(uint32_t selector, int32_t* value);

// Enters the movie toolbox; idempotent.
MediaStatus EnterMovies();

namespace testing {

// Test-only faults so that each start-up failure can be reproduced. The
// library itself never sets them; nothing reads the environment.
enum class StartupFault {
  kNone,
  kClientLayer,   // InitializeClientLayer fails with kClientLayerLoadFailed
  kOldVersion,    // the version query answers 0x06FFFFFF
  kVersionQuery,  // the version query itself fails
  kEnterMovies,   // EnterMovies fails
};

void SetStartupFault(StartupFault fault);

}  // namespace testing
}  // namespace zeb::platform
