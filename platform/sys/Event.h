// Auto- and manual-reset events with a wait-for-any that honours list order.
//
// Every event belongs to a SignalDomain: one mutex and one condition variable
// that guard the signalled state of all its events. A wait-for-any therefore
// inspects and consumes under a single lock, so it can never lose a Set that
// races with it, never consume two events at once, and never return without a
// signal. Events watched together must share a domain; a ring creates one
// domain for its events, and events created without one share the process
// domain.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <span>

namespace zeb::sys {

class Event;

class SignalDomain {
 public:
  static std::shared_ptr<SignalDomain> Create();
  // The domain of events created without one.
  static const std::shared_ptr<SignalDomain>& Process();

 private:
  friend class Event;
  friend std::size_t WaitForAny(std::span<Event* const> events);

  std::mutex mutex_;
  std::condition_variable changed_;
};

enum class ResetMode { kAuto, kManual };

class Event {
 public:
  Event(ResetMode mode, bool signalled,
        std::shared_ptr<SignalDomain> domain = SignalDomain::Process());
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  // Blocks without time limit until signalled; an auto-reset event is consumed.
  void Wait();
  // Looks without waiting; a signalled auto-reset event is consumed, like a
  // wait with a zero time-out.
  [[nodiscard]] bool TryWait();

 private:
  friend std::size_t WaitForAny(std::span<Event* const> events);

  // Caller holds the domain's mutex.
  bool TakeLocked();

  const ResetMode mode_;
  bool signalled_;
  const std::shared_ptr<SignalDomain> domain_;
};

inline constexpr std::size_t kWaitFailed = SIZE_MAX;

// Blocks until one of the events is signalled and returns its index. When
// several are signalled the earliest in the list wins and only that one is
// consumed. Returns kWaitFailed, without waiting, for an empty list, a null
// entry or events of different domains.
std::size_t WaitForAny(std::span<Event* const> events);
std::size_t WaitForAny(std::initializer_list<Event*> events);

}  // namespace zeb::sys
