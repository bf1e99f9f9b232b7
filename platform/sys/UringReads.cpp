#include "platform/sys/UringReads.h"

#include <liburing.h>

#include <cerrno>

namespace zeb::sys {
namespace {

bool SupportsPlainRead(io_uring& ring) {
  io_uring_probe* probe = io_uring_get_probe_ring(&ring);
  if (probe == nullptr) return false;
  const bool supported = io_uring_opcode_supported(probe, IORING_OP_READ) != 0;
  io_uring_free_probe(probe);
  return supported;
}

}  // namespace

UringReads::UringReads() : ring_(std::make_unique<io_uring>()) {}

UringReads::~UringReads() { io_uring_queue_exit(ring_.get()); }

std::unique_ptr<UringReads> UringReads::Create(unsigned entries) {
  std::unique_ptr<UringReads> reads(new UringReads());
  // Completions run when the waiting thread enters the kernel anyway, so no
  // interrupt is needed to deliver them; kernels before 5.19 refuse the flag.
  int status = io_uring_queue_init(entries, reads->ring_.get(), IORING_SETUP_COOP_TASKRUN);
  if (status == -EINVAL) status = io_uring_queue_init(entries, reads->ring_.get(), 0);
  if (status < 0) return nullptr;
  if (!SupportsPlainRead(*reads->ring_)) return nullptr;
  return reads;
}

void UringReads::Queue(int fd, void* dest, std::size_t count, std::uint64_t offset, void* tag) {
  io_uring_sqe* entry = io_uring_get_sqe(ring_.get());
  while (entry == nullptr) {
    io_uring_submit(ring_.get());
    entry = io_uring_get_sqe(ring_.get());
  }
  io_uring_prep_read(entry, fd, dest, static_cast<unsigned>(count), offset);
  io_uring_sqe_set_data(entry, tag);
}

void UringReads::Submit() { io_uring_submit(ring_.get()); }

UringCompletion UringReads::WaitOne() {
  io_uring_cqe* completion = nullptr;
  int status;
  do {
    status = io_uring_wait_cqe(ring_.get(), &completion);
  } while (status == -EINTR);
  if (status < 0) return {nullptr, status};
  const UringCompletion done{io_uring_cqe_get_data(completion), completion->res};
  io_uring_cqe_seen(ring_.get(), completion);
  return done;
}

}  // namespace zeb::sys
