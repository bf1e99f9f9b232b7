#include "writer/RecoveryDefaults.h"

#include <atomic>

namespace {

std::atomic<uint32_t> syncIntervalMs{zeb::movie::RecoveryOptions{}.syncIntervalMs};
std::atomic<bool> durable{zeb::movie::RecoveryOptions{}.durable};

}  // namespace

void SetRecoveryDefaults(const zeb::movie::RecoveryOptions& options) {
  syncIntervalMs.store(options.syncIntervalMs, std::memory_order_relaxed);
  durable.store(options.durable, std::memory_order_relaxed);
}

zeb::movie::RecoveryOptions RecoveryDefaults() {
  return {syncIntervalMs.load(std::memory_order_relaxed), durable.load(std::memory_order_relaxed)};
}
