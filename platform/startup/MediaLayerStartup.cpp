#include "platform/startup/MediaLayerStartup.h"

#include <atomic>
#include <mutex>

namespace zeb::platform {
namespace {

std::atomic<testing::StartupFault> g_fault{testing::StartupFault::kNone};

// Stands in for the platform's per-process named start-up mutex.
std::mutex g_startup_mutex;
uint32_t g_use_count = 0;

bool FaultIs(testing::StartupFault fault) { return g_fault.load() == fault; }

}  // namespace

MediaStatus InitializeClientLayer(uint32_t /*flags*/) {
  std::lock_guard lock(g_startup_mutex);
  if (g_use_count == 0 && FaultIs(testing::StartupFault::kClientLayer)) {
    return kClientLayerLoadFailed;
  }
  ++g_use_count;
  return kMediaOk;
}

uint32_t ClientLayerUseCount() {
  std::lock_guard lock(g_startup_mutex);
  return g_use_count;
}

MediaStatus QueryCapability(uint32_t selector, int32_t* value) {
  if (selector != kVersionSelector || FaultIs(testing::StartupFault::kVersionQuery)) {
    return kUnknownSelector;
  }
  *value = FaultIs(testing::StartupFault::kOldVersion) ? 0x06FFFFFF : kMediaLayerVersion;
  return kMediaOk;
}

MediaStatus EnterMovies() {
  return FaultIs(testing::StartupFault::kEnterMovies) ? kToolboxEntryFailed : kMediaOk;
}

namespace testing {

void SetStartupFault(StartupFault fault) { g_fault.store(fault); }

}  // namespace testing
}  // namespace zeb::platform
