#include "platform/sys/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/sys/Thread.h"

namespace zeb::sys {
namespace {

// Each case runs its operations on one event: S sets, R resets, W waits, T
// tries, and the tries answer in order as written ('1' signalled, '0' not).
TEST(Event, SingleEventSemantics) {
  const struct {
    const char* name;
    ResetMode mode;
    bool createdSignalled;
    std::string ops, tries;
  } cases[] = {
      {"auto created signalled is consumed once", ResetMode::kAuto, true, "TT", "10"},
      {"auto created clear", ResetMode::kAuto, false, "TSTT", "010"},
      {"auto does not count sets", ResetMode::kAuto, false, "SSTT", "10"},
      {"auto wait consumes", ResetMode::kAuto, true, "WT", "0"},
      {"manual stays signalled", ResetMode::kManual, true, "TTRT", "110"},
      {"manual wait does not consume", ResetMode::kManual, false, "SWWT", "1"},
      {"manual reset then set", ResetMode::kManual, true, "RTST", "01"},
  };
  for (const auto& c : cases) {
    Event event(c.mode, c.createdSignalled);
    std::string tries;
    for (const char op : c.ops) {
      if (op == 'S') event.Set();
      if (op == 'R') event.Reset();
      if (op == 'W') event.Wait();
      if (op == 'T') tries += event.TryWait() ? '1' : '0';
    }
    EXPECT_EQ(tries, c.tries) << c.name;
  }
}

// Modelled on the rings: a manual-reset stop first, then auto-reset pause and free.
struct OrderCase {
  std::string name;
  std::vector<bool> signalled;  // stop, pause, free before the wait
  std::size_t winner;
  std::vector<bool> afterwards;  // what TryWait then says of each
};

TEST(Event, WaitForAnyTakesEarliestAndConsumesOnlyIt) {
  const std::vector<OrderCase> cases = {
      {"free alone", {false, false, true}, 2, {false, false, false}},
      {"pause before free", {false, true, true}, 1, {false, false, true}},
      {"stop before everything, stays set", {true, true, true}, 0, {true, true, true}},
      {"stop and free", {true, false, true}, 0, {true, false, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto domain = SignalDomain::Create();
    Event stop(ResetMode::kManual, c.signalled[0], domain);
    Event pause(ResetMode::kAuto, c.signalled[1], domain);
    Event free(ResetMode::kAuto, c.signalled[2], domain);
    EXPECT_EQ(WaitForAny({&stop, &pause, &free}), c.winner);
    EXPECT_EQ((std::vector<bool>{stop.TryWait(), pause.TryWait(), free.TryWait()}), c.afterwards);
  }
}

TEST(Event, WaitForAnyRefusesListsItCannotWatchWithoutConsuming) {
  auto one = SignalDomain::Create();
  auto other = SignalDomain::Create();
  Event here(ResetMode::kAuto, true, one);
  Event there(ResetMode::kAuto, true, other);
  Event in_process(ResetMode::kAuto, true);
  EXPECT_EQ(WaitForAny({}), kWaitFailed);
  EXPECT_EQ(WaitForAny({&here, &there}), kWaitFailed);
  EXPECT_EQ(WaitForAny({&here, nullptr}), kWaitFailed);
  EXPECT_EQ(WaitForAny({nullptr, &here}), kWaitFailed);
  EXPECT_EQ(WaitForAny({&in_process, &here}), kWaitFailed);
  EXPECT_TRUE(here.TryWait());
  EXPECT_TRUE(there.TryWait());
  EXPECT_TRUE(in_process.TryWait());
}

TEST(Event, EventsWithoutDomainShareTheProcessDomain) {
  Event a(ResetMode::kAuto, false);
  Event b(ResetMode::kManual, true);
  EXPECT_EQ(WaitForAny({&a, &b}), 1u);
}

// Cross-thread hand-offs, also run under ThreadSanitizer: payloads are plain
// ints, so a hand-off that does not order memory shows up as a race, and a
// lost wake-up as a hang.
#ifdef ZEB_SANITIZED
constexpr int kRounds = 5000;
#else
constexpr int kRounds = 100000;
#endif

TEST(EventThreads, PingPongLosesNoWakeUp) {
  auto domain = SignalDomain::Create();
  Event ping(ResetMode::kAuto, false, domain);
  Event pong(ResetMode::kAuto, false, domain);
  int ball = 0;  // touched by whoever holds it, never by both
  Thread partner;
  ASSERT_TRUE(partner.Start([&] {
    for (int i = 0; i < kRounds; ++i) {
      ping.Wait();
      ++ball;
      pong.Set();
    }
  }));
  for (int i = 0; i < kRounds; ++i) {
    ++ball;
    ping.Set();
    pong.Wait();
  }
  partner.Join();
  EXPECT_EQ(ball, 2 * kRounds);
}

TEST(EventThreads, ThreadStartsRunsJoinsAndRefuses) {
  std::atomic<int> runs{0};
  {
    Thread thread;
    EXPECT_FALSE(thread.running());
    EXPECT_FALSE(thread.Start(nullptr));
    Event release(ResetMode::kManual, false);
    ASSERT_TRUE(thread.Start([&] {
      release.Wait();
      ++runs;
    }));
    EXPECT_TRUE(thread.running());
    EXPECT_FALSE(thread.Start([&] { ++runs; }));  // one thread at a time
    release.Set();
    thread.Join();
    thread.Join();
    EXPECT_FALSE(thread.running());
    ASSERT_TRUE(thread.Start([&] { ++runs; }));  // restartable once joined
  }                                              // the destructor joins the second run
  EXPECT_EQ(runs.load(), 2);
}

}  // namespace
}  // namespace zeb::sys
