// A joinable worker thread. There is no detach: whoever starts a thread waits
// for it, and the destructor joins a thread that is still running.
#pragma once

#include <functional>
#include <thread>

namespace zeb::sys {

class Thread {
 public:
  Thread() = default;
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Runs body on a new thread. False when a thread is already running here or
  // the system cannot create one.
  [[nodiscard]] bool Start(std::function<void()> body);
  // Waits without time limit for the thread to end; nothing when none runs.
  void Join();
  bool running() const { return thread_.joinable(); }

 private:
  std::thread thread_;
};

}  // namespace zeb::sys
