// Cross-thread behaviour of events and threads. Run under ThreadSanitizer:
// payloads are plain ints, so a hand-off that does not order memory shows up
// as a race, and a lost wake-up as a hang.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>
#include <vector>

#include "platform/sys/Event.h"
#include "platform/sys/Thread.h"

namespace zeb::sys {
namespace {

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

TEST(Thread, StartRunJoinAndRefusals) {
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
