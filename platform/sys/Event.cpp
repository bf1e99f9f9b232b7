#include "platform/sys/Event.h"

#include <algorithm>
#include <utility>

namespace zeb::sys {

std::shared_ptr<SignalDomain> SignalDomain::Create() { return std::make_shared<SignalDomain>(); }

const std::shared_ptr<SignalDomain>& SignalDomain::Process() {
  static const std::shared_ptr<SignalDomain> domain = Create();
  return domain;
}

Event::Event(ResetMode mode, bool signalled, std::shared_ptr<SignalDomain> domain)
    : mode_(mode), signalled_(signalled), domain_(std::move(domain)) {}

// Notifying under the lock keeps the domain alive until the woken waiter can
// run: a waiter that owns the event may destroy it as soon as it returns.
void Event::Set() {
  std::lock_guard lock(domain_->mutex_);
  signalled_ = true;
  domain_->changed_.notify_all();
}

void Event::Reset() {
  std::lock_guard lock(domain_->mutex_);
  signalled_ = false;
}

void Event::Wait() {
  Event* self = this;
  WaitForAny(std::span<Event* const>(&self, 1));
}

bool Event::TryWait() {
  std::lock_guard lock(domain_->mutex_);
  return TakeLocked();
}

bool Event::TakeLocked() {
  if (!signalled_) return false;
  if (mode_ == ResetMode::kAuto) signalled_ = false;
  return true;
}

std::size_t WaitForAny(std::span<Event* const> events) {
  if (events.empty() || events.front() == nullptr) return kWaitFailed;
  SignalDomain* domain = events.front()->domain_.get();
  const bool shared = std::all_of(events.begin(), events.end(), [domain](const Event* e) {
    return e != nullptr && e->domain_.get() == domain;
  });
  if (!shared) return kWaitFailed;

  std::unique_lock lock(domain->mutex_);
  for (;;) {
    for (std::size_t i = 0; i < events.size(); ++i) {
      if (events[i]->TakeLocked()) return i;
    }
    domain->changed_.wait(lock);
  }
}

std::size_t WaitForAny(std::initializer_list<Event*> events) {
  return WaitForAny(std::span<Event* const>(events.begin(), events.size()));
}

}  // namespace zeb::sys
