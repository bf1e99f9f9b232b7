#include "platform/sys/ReadQueue.h"

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "platform/sys/AlignedBuffer.h"
#include "platform/sys/UringReads.h"

namespace zeb::sys {
namespace {

std::atomic<bool> g_refuseIoUring{false};

// Submission entries per queued read: most reads are one device piece; a
// read that meets a partly cached file may need a few.
constexpr unsigned kEntriesPerRead = 4;
// One kernel read at most; larger pieces continue as short reads do.
constexpr std::size_t kLargestPieceRead = std::size_t{1} << 30;

}  // namespace

ReadQueue::ReadQueue(const File& file, unsigned depth) : file_(file), depth_(std::max(depth, 1u)) {
  const bool wanted =
      file.usesSystemReads() && file.mode() == OpenMode::kUnbuffered && !g_refuseIoUring.load();
  if (wanted) uring_ = UringReads::Create(depth_ * kEntriesPerRead);
}

ReadQueue::~ReadQueue() {
  while (!requests_.empty()) WaitOldest();
}

bool ReadQueue::Submit(void* dest, std::size_t count, std::uint64_t offset) {
  if (requests_.size() >= depth_) return false;
  Request& request = requests_.emplace_back();
  request.dest = static_cast<std::uint8_t*>(dest);
  request.offset = offset;
  request.count = count;
  if (uring_ != nullptr) PlanRequest(request);
  return true;
}

// Cached pieces are copied now; device pieces go to the kernel together,
// once the list of parts is complete and their addresses stay put.
void ReadQueue::PlanRequest(Request& request) {
  request.reached = request.offset;
  if (file_.fd() < 0 || !File::Addressable(request.offset, request.count)) return;
  request.reached +=
      file_.ReadPieces(request.dest, request.count, request.offset,
                       [&request](std::uint8_t* at, std::size_t length, std::uint64_t position) {
                         request.parts.push_back({&request, at, position, length, 0});
                         return length;
                       });
  for (Part& part : request.parts) QueuePart(part);
  request.pending = request.parts.size();
  if (!request.parts.empty()) uring_->Submit();
}

void ReadQueue::QueuePart(Part& part) {
  const std::size_t rest = std::min(part.length - part.done, kLargestPieceRead);
  uring_->Queue(file_.fd(), part.dest + part.done, rest, part.offset + part.done, &part);
}

// A short count goes on where it stopped while that stays aligned; the end
// of the file (0), a failure or a misaligned stop ends the part there.
void ReadQueue::Complete(Part& part, int result) {
  if (result == -EINTR || result == -EAGAIN) {
    QueuePart(part);
    uring_->Submit();
    return;
  }
  if (result > 0) {
    part.done += std::min(static_cast<std::size_t>(result), part.length - part.done);
    const bool aligned = (part.offset + part.done) % file_.alignment().offset == 0 &&
                         IsAligned(part.dest + part.done, file_.alignment().memory);
    if (part.done < part.length && aligned) {
      QueuePart(part);
      uring_->Submit();
      return;
    }
  }
  Request& request = *part.request;
  if (part.done < part.length) request.reached = std::min(request.reached, part.offset + part.done);
  --request.pending;
}

std::size_t ReadQueue::WaitOldest() {
  if (requests_.empty()) return 0;
  Request& oldest = requests_.front();
  std::size_t delivered;
  if (uring_ == nullptr) {
    delivered = file_.ReadAt(oldest.dest, oldest.count, oldest.offset);
  } else {
    while (oldest.pending > 0) {
      const UringCompletion done = uring_->WaitOne();
      if (done.tag != nullptr) {
        Complete(*static_cast<Part*>(done.tag), done.result);
        continue;
      }
      // The ring itself failed: nothing more will complete, so every part
      // still out ends where it stands.
      for (Request& request : requests_) {
        for (Part& part : request.parts) {
          if (part.done < part.length)
            request.reached = std::min(request.reached, part.offset + part.done);
        }
        request.pending = 0;
      }
    }
    delivered = static_cast<std::size_t>(oldest.reached - oldest.offset);
  }
  requests_.pop_front();
  return delivered;
}

namespace testing {

void RefuseIoUring(bool refuse) { g_refuseIoUring.store(refuse); }

}  // namespace testing
}  // namespace zeb::sys
