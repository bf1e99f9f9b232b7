#include "platform/sys/Event.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace zeb::sys {
namespace {

enum class Op { kSet, kReset, kTry, kWait };

struct SemanticsCase {
  std::string name;
  ResetMode mode;
  bool created_signalled;
  std::vector<Op> ops;
  std::vector<bool> tries;  // what each kTry answers, in order
};

TEST(Event, SingleEventSemantics) {
  using enum Op;
  const std::vector<SemanticsCase> cases = {
      {"auto created signalled is consumed once",
       ResetMode::kAuto,
       true,
       {kTry, kTry},
       {true, false}},
      {"auto created clear",
       ResetMode::kAuto,
       false,
       {kTry, kSet, kTry, kTry},
       {false, true, false}},
      {"auto does not count sets",
       ResetMode::kAuto,
       false,
       {kSet, kSet, kTry, kTry},
       {true, false}},
      {"auto reset clears", ResetMode::kAuto, false, {kSet, kReset, kTry}, {false}},
      {"auto wait consumes", ResetMode::kAuto, true, {kWait, kTry}, {false}},
      {"manual stays signalled",
       ResetMode::kManual,
       true,
       {kTry, kTry, kReset, kTry},
       {true, true, false}},
      {"manual wait does not consume",
       ResetMode::kManual,
       false,
       {kSet, kWait, kWait, kTry},
       {true}},
      {"manual reset then set",
       ResetMode::kManual,
       true,
       {kReset, kTry, kSet, kTry},
       {false, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Event event(c.mode, c.created_signalled);
    std::vector<bool> tries;
    for (Op op : c.ops) {
      switch (op) {
        case kSet:
          event.Set();
          break;
        case kReset:
          event.Reset();
          break;
        case kTry:
          tries.push_back(event.TryWait());
          break;
        case kWait:
          event.Wait();
          break;
      }
    }
    EXPECT_EQ(tries, c.tries);
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
      {"stop alone", {true, false, false}, 0, {true, false, false}},
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

}  // namespace
}  // namespace zeb::sys
