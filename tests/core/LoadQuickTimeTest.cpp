// Media-layer start-up, with each failure reproduced through the platform's
// test-only fault switch. Every test runs in its own process, so each starts
// with the layer unstarted.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/LoadQuickTime.h"
#include "platform/startup/MediaLayerStartup.h"
#include "tests/host/LogCapture.h"

namespace {

using zeb::platform::testing::SetStartupFault;
using zeb::platform::testing::StartupFault;

const LogLine kFirst{"ZEBQTLib", 8, "LoadQuickTime()-1"};
const LogLine kSecond{"ZEBQTLib", 8, "LoadQuickTime()-2"};
const LogLine kVersionOk{"ZEBQTLib", 8,
                         "Correct QuickTime7.x version is installed on this computer,version = "
                         "0x7798000"};

TEST(LoadQuickTime, StartsOnceAndStaysStarted) {
  LogCapture log;
  EXPECT_EQ(LoadQuickTimeOnce(), 1u);
  EXPECT_EQ(log.Lines(), (std::vector<LogLine>{kFirst, kVersionOk, kSecond}));
  log.Clear();
  // Started: neither a fault nor a second call changes anything or logs.
  SetStartupFault(StartupFault::kEnterMovies);
  EXPECT_EQ(LoadQuickTimeOnce(), 1u);
  EXPECT_TRUE(log.Lines().empty());
}

TEST(LoadQuickTime, EachFailureLogsItsLineAndRetriesInFull) {
  struct Case {
    StartupFault fault;
    std::vector<LogLine> lines;
  };
  const Case cases[] = {
      {StartupFault::kClientLayer,
       {kFirst, {"ZEBQTLib", 1, "QuickTime is not installed on this computer"}}},
      {StartupFault::kOldVersion,
       {kFirst,
        {"ZEBQTLib", 1,
         "QuickTime7.x version is not installed on this computer,version = 0x6ffffff"}}},
      {StartupFault::kVersionQuery,
       {kFirst,
        {"ZEBQTLib", 1, "QuickTime7.x version is not installed on this computer,version = 0x0"}}},
      {StartupFault::kEnterMovies,
       {kFirst,
        kVersionOk,
        {"ZEBQTLib", 1, "Could not initialize QuickTime, EnterMovies() return error"}}},
  };
  for (const Case& c : cases) {
    LogCapture log;
    SetStartupFault(c.fault);
    EXPECT_EQ(LoadQuickTimeOnce(), 0u);
    EXPECT_EQ(log.Lines(), c.lines);
  }
  // The flag stayed clear: the next call runs the whole start-up again.
  LogCapture log;
  SetStartupFault(StartupFault::kNone);
  EXPECT_EQ(LoadQuickTimeOnce(), 1u);
  EXPECT_EQ(log.Lines(), (std::vector<LogLine>{kFirst, kVersionOk, kSecond}));
}

TEST(LoadQuickTime, ClientLayerKeepsItsUseCountAcrossAFailedStart) {
  SetStartupFault(StartupFault::kEnterMovies);
  EXPECT_EQ(LoadQuickTimeOnce(), 0u);
  EXPECT_EQ(zeb::platform::ClientLayerUseCount(), 1u);
  SetStartupFault(StartupFault::kNone);
  EXPECT_EQ(LoadQuickTimeOnce(), 1u);
  EXPECT_EQ(zeb::platform::ClientLayerUseCount(), 2u);
}

TEST(LoadQuickTimeThreads, ConcurrentFirstCallsAllSucceed) {
  std::vector<std::thread> threads;
  std::vector<uint32_t> results(8, 0);
  for (size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&results, i] { results[i] = LoadQuickTimeOnce(); });
  }
  for (auto& thread : threads) thread.join();
  for (const uint32_t result : results) EXPECT_EQ(result, 1u);
  EXPECT_EQ(LoadQuickTimeOnce(), 1u);
}

}  // namespace
