#include "bench/reader/RawDirectRead.h"

#include <fcntl.h>
#include <liburing.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace zeb::bench {

uint64_t ReadWithIoUring(const std::string& path, uint32_t readBytes, unsigned inFlight) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECT);
  if (fd < 0) return 0;
  struct stat info {};
  ::fstat(fd, &info);
  const auto size = static_cast<uint64_t>(info.st_size);
  void* memory = nullptr;
  io_uring ring{};
  uint64_t total = 0;
  if (posix_memalign(&memory, 4096, uint64_t{readBytes} * inFlight) == 0 &&
      io_uring_queue_init(inFlight, &ring, 0) == 0) {
    auto* buffer = static_cast<uint8_t*>(memory);
    uint64_t next = 0;
    unsigned pending = 0;
    auto queue = [&](uintptr_t slot) {
      io_uring_sqe* entry = io_uring_get_sqe(&ring);
      io_uring_prep_read(entry, fd, buffer + slot * readBytes, readBytes, next);
      io_uring_sqe_set_data(entry, reinterpret_cast<void*>(slot));
      next += readBytes;
      ++pending;
    };
    for (unsigned slot = 0; slot < inFlight && next < size; ++slot) queue(slot);
    io_uring_submit(&ring);
    while (pending > 0) {
      io_uring_cqe* done = nullptr;
      if (io_uring_wait_cqe(&ring, &done) != 0) break;
      const auto slot = reinterpret_cast<uintptr_t>(io_uring_cqe_get_data(done));
      if (done->res > 0) total += uint64_t(done->res);
      io_uring_cqe_seen(&ring, done);
      --pending;
      if (next < size) {
        queue(slot);
        io_uring_submit(&ring);
      }
    }
    io_uring_queue_exit(&ring);
  }
  std::free(memory);
  ::close(fd);
  return total;
}

}  // namespace zeb::bench
