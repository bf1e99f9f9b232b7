// The ring of sample jobs between the caller's thread and the writer thread.
//
// Ownership moves with the events: a job belongs to the producer from its
// freeEvent to its readyEvent and to the writer thread from its readyEvent
// to its freeEvent. Only `result` is read across that line (a producer looks
// at it before waiting), so it alone is atomic.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/sys/Event.h"

struct SampleJob {
  explicit SampleJob(const std::shared_ptr<zeb::sys::SignalDomain>& domain);

  // Copies a unit into the job, growing its buffer with 1 MiB of headroom.
  // False when memory runs out; the job is then unchanged but for its data.
  bool Fill(bool video, int32_t samples, std::span<const uint8_t> bytes, uint32_t key,
            std::span<const uint8_t> description, int64_t hostDisplayOffset);

  bool isVideo = true;
  int32_t count = 1;  // audio samples in the unit
  std::unique_ptr<uint8_t[]> data;
  uint32_t capacity = 0;
  uint32_t size = 0;
  uint32_t keyFlag = 0;
  int64_t displayOffset = 0;  // video: the host's, in media ticks
  zeb::sys::Event readyEvent;
  zeb::sys::Event freeEvent;
  std::vector<uint8_t> videoDescriptionCopy;  // empty: none
  std::vector<uint8_t> audioDescriptionCopy;  // the audio block; empty: none
  std::atomic<uint32_t> result{0};            // status of the job's last write
  SampleJob* next = nullptr;

 private:
  bool CopyData(std::span<const uint8_t> bytes);
  // Keeps the copy's memory between units.
  bool CopyDescription(std::span<const uint8_t> description, std::vector<uint8_t>& copy);
};

class SampleJobRing {
 public:
  explicit SampleJobRing(size_t jobCount);

  SampleJob* First() { return jobs_.front().get(); }
  // Manual reset: once set, the writer thread drains the ring and ends.
  zeb::sys::Event& QuitEvent() { return quit_; }

 private:
  std::shared_ptr<zeb::sys::SignalDomain> domain_;  // one domain so the writer can wait on any
  std::vector<std::unique_ptr<SampleJob>> jobs_;
  zeb::sys::Event quit_;
};
