#include "platform/sys/Thread.h"

#include <system_error>
#include <utility>

namespace zeb::sys {

Thread::~Thread() { Join(); }

bool Thread::Start(std::function<void()> body) {
  if (thread_.joinable() || !body) return false;
  try {
    thread_ = std::thread(std::move(body));
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void Thread::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace zeb::sys
