// Reads of one File with several in flight, handed back in the order they
// were queued. io_uring carries the device's share of each read where the
// kernel offers it; cached pages are copied at once. Without io_uring (an old
// kernel, a seccomp filter, io_uring_disabled), for buffered files and for
// substituted reads, each read runs as File::ReadAt when it is waited for, so
// callers see the same bytes either way, only later.
//
// One thread at a time drives a queue. The File must stay open while the
// queue exists; the destructor waits for reads still in flight.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/sys/File.h"

namespace zeb::sys {

class UringReads;

class ReadQueue {
 public:
  // depth: how many reads may be queued at once (at least 1).
  ReadQueue(const File& file, unsigned depth);
  ~ReadQueue();
  ReadQueue(const ReadQueue&) = delete;
  ReadQueue& operator=(const ReadQueue&) = delete;

  // True when reads overlap in the kernel (io_uring).
  bool asynchronous() const { return uring_ != nullptr; }
  unsigned depth() const { return depth_; }
  std::size_t queued() const { return requests_.size(); }

  // Queues a read of count bytes at offset into dest, under File::ReadAt's
  // rules. False, and nothing queued, when depth reads are queued already.
  bool Submit(void* dest, std::size_t count, std::uint64_t offset);
  // Waits for the oldest queued read and returns the bytes it delivered, as
  // File::ReadAt would (0 when nothing is queued).
  std::size_t WaitOldest();

 private:
  struct Request;
  // The device's share of a read: one stretch, read by one or more kernel
  // reads (a short count that leaves the rest aligned goes on from there).
  struct Part {
    Request* request = nullptr;
    std::uint8_t* dest = nullptr;
    std::uint64_t offset = 0;
    std::size_t length = 0;
    std::size_t done = 0;
  };
  struct Request {
    std::uint8_t* dest = nullptr;
    std::uint64_t offset = 0;
    std::size_t count = 0;
    std::vector<Part> parts;    // complete before the first is queued: addresses stay put
    std::size_t pending = 0;    // parts still in the kernel
    std::uint64_t reached = 0;  // file offset where the delivered bytes end
  };

  void PlanRequest(Request& request);
  void QueuePart(Part& part);
  void Complete(Part& part, int result);

  const File& file_;
  const unsigned depth_;
  std::unique_ptr<UringReads> uring_;
  std::deque<Request> requests_;  // oldest first; elements never move
};

namespace testing {

// Test-only: while set, new queues behave as if the kernel refused io_uring.
// The library itself never sets it; nothing reads the environment.
void RefuseIoUring(bool refuse);

}  // namespace testing
}  // namespace zeb::sys
