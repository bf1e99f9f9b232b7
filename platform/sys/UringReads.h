// Positioned reads through one io_uring instance: queue them, hand them to the
// kernel in one call, wait for completions in any order. Only ReadQueue uses
// it; one thread at a time drives an instance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct io_uring;

namespace zeb::sys {

struct UringCompletion {
  void* tag = nullptr;
  int result = 0;  // bytes read, 0 at the end of the file, or -errno
};

class UringReads {
 public:
  // Null when the kernel refuses io_uring (too old, a seccomp filter,
  // io_uring_disabled) or lacks the plain read operation (before 5.6).
  static std::unique_ptr<UringReads> Create(unsigned entries);
  ~UringReads();
  UringReads(const UringReads&) = delete;
  UringReads& operator=(const UringReads&) = delete;

  // Queues one read; it reaches the kernel with the next Submit (or now, when
  // the submission queue is full).
  void Queue(int fd, void* dest, std::size_t count, std::uint64_t offset, void* tag);
  void Submit();
  // Waits for one completion; a failed wait answers the tag-less -errno.
  UringCompletion WaitOne();

 private:
  UringReads();

  std::unique_ptr<io_uring> ring_;
};

}  // namespace zeb::sys
