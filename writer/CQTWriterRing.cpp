// The writer thread and its job ring: the caller copies each unit into a job
// and moves on; the thread adds the jobs in order and keeps the status of
// each, so a failure reaches the caller when it comes back to that job.
#include <cwchar>
#include <iterator>

#include "core/QtLog.h"
#include "writer/CQTWriter.h"
#include "zebplug/ZEBPlugResults.h"

uint32_t CQTWriter::StartWriterThread(uint32_t depth) {
  if (ring_) return ZEB_OK;
  ring_ = std::make_unique<SampleJobRing>(2 * (size_t{depth} / 2) + 2);
  ringWrite_ = ring_->First();
  ringRead_ = ring_->First();
  if (!writerThread_.Start([this] { WriterThreadLoop(); })) {
    QtLogError(L"CQTWriter--cannot start the writer thread; samples are added directly");
    ring_.reset();
    ringWrite_ = nullptr;
    ringRead_ = nullptr;
  }
  return ZEB_OK;
}

void CQTWriter::StopWriterThread() {
  if (!ring_) return;
  ring_->QuitEvent().Set();
  writerThread_.Join();
  // No submission comes back to the last jobs: their failures are told here.
  SampleJob* job = ring_->First();
  do {
    if (const uint32_t failed = job->result.load(std::memory_order_acquire)) {
      wchar_t text[96];
      std::swprintf(text, std::size(text),
                    L"CQTWriter::Close--a sample queued for the writer thread could not be added "
                    L"(0x%08X)",
                    failed);
      QtLogError(text);
      break;
    }
    job = job->next;
  } while (job != ring_->First());
  ring_.reset();
  ringWrite_ = nullptr;
  ringRead_ = nullptr;
}

uint32_t CQTWriter::SubmitSample(bool isVideo, int32_t count, std::span<const uint8_t> bytes,
                                 uint32_t keyFlag, std::span<const uint8_t> description,
                                 int64_t displayOffset) {
  if (!ring_) {
    return isVideo ? WriteVideoSample(bytes, keyFlag, description, displayOffset)
                   : WriteAudioSamples(count, bytes, description);
  }
  SampleJob& job = *ringWrite_;
  if (const uint32_t failed = job.result.load(std::memory_order_acquire)) return failed;
  job.freeEvent.Wait();
  uint32_t refused = job.result.load(std::memory_order_acquire);
  if (refused == ZEB_OK && !job.Fill(isVideo, count, bytes, keyFlag, description, displayOffset)) {
    QtLogMessage(L"CQTWriter--no memory to queue a sample of %zu bytes", bytes.size());
    refused = ZEB_E_ADD_SAMPLE;
  }
  if (refused != ZEB_OK) {
    job.freeEvent.Set();  // the job stays the producer's; the next submission waits on it again
    return refused;
  }
  job.readyEvent.Set();
  ringWrite_ = job.next;
  return ZEB_OK;
}

void CQTWriter::WriterThreadLoop() {
  zeb::sys::Event& quit = ring_->QuitEvent();
  for (;;) {
    SampleJob& job = *ringRead_;
    const size_t signalled = zeb::sys::WaitForAny({&job.readyEvent, &quit});
    if (signalled == zeb::sys::kWaitFailed) return;
    // Ready events come first in the list, so a filled job is always written
    // before the stop is seen; the producer stopped moving ringWrite_ when it
    // set the stop event.
    if (signalled == 1) {
      if (ringRead_ == ringWrite_) return;
      continue;
    }
    const std::span<const uint8_t> data(job.data.get(), job.size);
    const uint32_t status =
        job.isVideo
            ? WriteVideoSample(data, job.keyFlag, job.videoDescriptionCopy, job.displayOffset)
            : WriteAudioSamples(job.count, data, job.audioDescriptionCopy);
    job.result.store(status, std::memory_order_release);
    ringRead_ = job.next;
    job.freeEvent.Set();
  }
}
