#include "core/LoadQuickTime.h"

#include <atomic>

#include "core/QtLog.h"
#include "platform/startup/MediaLayerStartup.h"

namespace {

constexpr int32_t kMinimumVersion = 0x07000000;

// Set only once the whole start-up has succeeded; never cleared. Two first
// calls at once both run the start-up, which the client layer's use count
// tolerates.
std::atomic<uint32_t> g_started{0};

bool StartClientLayer() {
  if (zeb::platform::InitializeClientLayer(0) != zeb::platform::kMediaOk) {
    QtLogError(L"QuickTime is not installed on this computer");
    return false;
  }
  return true;
}

bool CheckVersion() {
  int32_t version = 0;
  const bool answered = zeb::platform::QueryCapability(zeb::platform::kVersionSelector, &version) ==
                        zeb::platform::kMediaOk;
  if (!answered) version = 0;
  if (answered && version >= kMinimumVersion) {
    ZEB_OutputW(kQtLogSource, ZEB_INFO_TRACE,
                L"Correct QuickTime7.x version is installed on this computer,version = 0x%x",
                static_cast<uint32_t>(version));
    return true;
  }
  ZEB_OutputW(kQtLogSource, ZEB_INFO_ERROR,
              L"QuickTime7.x version is not installed on this computer,version = 0x%x",
              static_cast<uint32_t>(version));
  return false;
}

bool EnterToolbox() {
  if (zeb::platform::EnterMovies() != zeb::platform::kMediaOk) {
    QtLogError(L"Could not initialize QuickTime, EnterMovies() return error");
    return false;
  }
  return true;
}

}  // namespace

uint32_t LoadQuickTimeOnce() {
  if (g_started.load(std::memory_order_acquire) != 0) return 1;
  QtLogTrace(L"LoadQuickTime()-1");
  if (!StartClientLayer() || !CheckVersion() || !EnterToolbox()) return 0;
  // From here on the codecs run; their own messages join the system's log
  // instead of standard error.
  zeb::codec::RouteLibavLog(QtLogLibavLine);
  g_started.store(1, std::memory_order_release);
  QtLogTrace(L"LoadQuickTime()-2");
  return 1;
}
