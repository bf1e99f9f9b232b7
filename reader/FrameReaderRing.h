// The threaded road of video frames: a worker thread reads the frames after
// the consumer's position into a ring of slots. Slots change hands only by
// their events: a slot belongs to the producer from its free event to its
// filled event, and to the consumer from its filled event to its free event.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/sys/Event.h"
#include "platform/sys/Thread.h"

// Reads frame `index` into `buffer` of `capacity` bytes (the slot size); the
// outputs are those of CQTReader::ReadFrameFromMedia.
using FrameReadFunction =
    std::function<uint32_t(uint32_t index, uint8_t* buffer, uint32_t capacity, uint32_t* size,
                           uint32_t* key, int32_t* displayOffset)>;

class FrameReaderRing {
 public:
  // Starts the producer at once: slot k is to hold frame firstIndex + k.
  // Null when the system cannot start the thread or slotCount is 0.
  static std::unique_ptr<FrameReaderRing> Start(FrameReadFunction read, uint32_t firstIndex,
                                                uint32_t slotCount, uint32_t slotBytes);
  // Stops the producer (it may be waiting for a slot or parked) and frees
  // the slots.
  ~FrameReaderRing();
  FrameReaderRing(const FrameReaderRing&) = delete;
  FrameReaderRing& operator=(const FrameReaderRing&) = delete;

  // The consumer side of GetVideoFrame. A request for another frame than the
  // one due re-targets the whole ring first. With a null buffer, or a frame
  // larger than `capacity` (0x80000107), the frame stays due; otherwise its
  // bytes are copied and the slot goes back to the producer for the frame one
  // ring further on.
  uint32_t Take(uint32_t index, uint8_t* buffer, uint32_t capacity, uint32_t* size, uint32_t* key,
                int32_t* displayOffset);

 private:
  struct FrameSlot;

  FrameReaderRing(FrameReadFunction read, uint32_t firstIndex, uint32_t slotCount,
                  uint32_t slotBytes);
  void Produce();
  void Retarget(uint32_t index);
  size_t Next(size_t slot) const { return (slot + 1) % slots_.size(); }

  const FrameReadFunction read_;
  const uint32_t slotBytes_;
  std::shared_ptr<zeb::sys::SignalDomain> domain_;
  std::vector<std::unique_ptr<FrameSlot>> slots_;
  size_t consumerSlot_ = 0;
  size_t fillSlot_ = 0;  // the producer's, except while it is parked
  zeb::sys::Event stop_;
  zeb::sys::Event pauseRequest_;
  zeb::sys::Event paused_;
  zeb::sys::Event resume_;
  zeb::sys::Thread thread_;
};
