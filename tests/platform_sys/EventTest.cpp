#include "platform/sys/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>
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
    std::string ops;
    std::string tries;
  } cases[] = {
      {"auto created signalled is consumed once", ResetMode::kAuto, true, "TT", "10"},
      {"auto created clear", ResetMode::kAuto, false, "TSTT", "010"},
      {"auto does not count sets", ResetMode::kAuto, false, "SSTT", "10"},
      {"auto reset clears", ResetMode::kAuto, false, "SRT", "0"},
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

// A slot ring driven the way the frame reader drives its ring: free/filled
// hand-offs, a stop that outranks everything, and seeks that park the
// producer with pause/paused/resume while the consumer re-targets the slots.
class SlotRing {
 public:
  explicit SlotRing(int slot_count) : domain_(SignalDomain::Create()) {
    for (int k = 0; k < slot_count; ++k) slots_.push_back(std::make_unique<Slot>(domain_, k));
    for (int k = 0; k < slot_count; ++k) slots_[k]->next = slots_[(k + 1) % slot_count].get();
    consumer_ = fill_ = slots_.front().get();
  }

  static int Payload(int frame) { return frame * 7 + 3; }

  void Produce() {
    for (;;) {
      const std::size_t woke = WaitForAny({&stop_, &pause_, &fill_->free});
      if (woke == 0) return;
      if (woke == 1) {
        paused_.Set();
        resume_.Wait();
        continue;
      }
      fill_->payload = Payload(fill_->frame);
      ++fills_;
      fill_->filled.Set();
      fill_ = fill_->next;
    }
  }

  int Consume(int frame) {
    consumer_->filled.Wait();
    if (consumer_->frame != frame) Retarget(frame);
    const int payload = consumer_->payload;
    consumer_->frame += static_cast<int>(slots_.size());
    consumer_->free.Set();
    consumer_ = consumer_->next;
    return payload;
  }

  void Stop() { stop_.Set(); }
  int fills() const { return fills_; }

 private:
  struct Slot {
    Slot(const std::shared_ptr<SignalDomain>& domain, int first)
        : frame(first),
          free(ResetMode::kAuto, true, domain),
          filled(ResetMode::kAuto, false, domain) {}
    int frame;
    int payload = -1;
    Event free;
    Event filled;
    Slot* next = nullptr;
  };

  void Retarget(int frame) {
    pause_.Set();
    paused_.Wait();
    Slot* slot = consumer_;
    for (std::size_t k = 0; k < slots_.size(); ++k, slot = slot->next) {
      slot->free.Set();
      slot->filled.Reset();
      slot->frame = frame + static_cast<int>(k);
      slot->payload = -1;
    }
    fill_ = consumer_;
    resume_.Set();
    consumer_->filled.Wait();
  }

  std::shared_ptr<SignalDomain> domain_;
  std::vector<std::unique_ptr<Slot>> slots_;
  Slot* consumer_;
  Slot* fill_;
  int fills_ = 0;  // producer-owned until it has been joined
  Event stop_{ResetMode::kManual, false, domain_};
  Event pause_{ResetMode::kAuto, false, domain_};
  Event paused_{ResetMode::kAuto, false, domain_};
  Event resume_{ResetMode::kAuto, false, domain_};
};

TEST(EventThreads, SlotRingDeliversEveryRequestedFrameThroughSeeks) {
  std::mt19937 random(1234);
  for (int slots : {1, 2, 25}) {
    SCOPED_TRACE(slots);
    SlotRing ring(slots);
    Thread producer;
    ASSERT_TRUE(producer.Start([&] { ring.Produce(); }));
    int frame = 0;
    int wrong = 0;
    for (int i = 0; i < kRounds / 5; ++i) {
      // Mostly sequential, with a jump now and then, as a player seeks.
      frame = random() % 16 == 0 ? static_cast<int>(random() % 5000) : frame + 1;
      wrong += ring.Consume(frame) != SlotRing::Payload(frame);
    }
    ring.Stop();
    producer.Join();
    EXPECT_EQ(wrong, 0);
    EXPECT_GE(ring.fills(), kRounds / 5);
  }
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
