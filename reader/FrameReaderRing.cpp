#include "reader/FrameReaderRing.h"

#include <cstring>

#include "core/QtLog.h"
#include "zebplug/ZEBPlugResults.h"

using zeb::sys::Event;
using zeb::sys::ResetMode;

struct FrameReaderRing::FrameSlot {
  FrameSlot(uint32_t index, uint32_t bytes, const std::shared_ptr<zeb::sys::SignalDomain>& domain)
      : frameIndex(index),
        data(new uint8_t[bytes]),
        free(ResetMode::kAuto, true, domain),
        filled(ResetMode::kAuto, false, domain) {}

  uint32_t frameIndex;
  std::unique_ptr<uint8_t[]> data;  // slotBytes, untouched until first read
  uint32_t size = 0;
  uint32_t key = 0;
  int32_t displayOffset = 0;
  uint32_t result = 0;
  Event free;
  Event filled;
};

FrameReaderRing::FrameReaderRing(FrameReadFunction read, uint32_t firstIndex, uint32_t slotCount,
                                 uint32_t slotBytes)
    : read_(std::move(read)),
      slotBytes_(slotBytes),
      domain_(zeb::sys::SignalDomain::Create()),
      stop_(ResetMode::kManual, false, domain_),
      pauseRequest_(ResetMode::kAuto, false, domain_),
      paused_(ResetMode::kAuto, false, domain_),
      resume_(ResetMode::kAuto, false, domain_) {
  slots_.reserve(slotCount);
  for (uint32_t k = 0; k < slotCount; ++k) {
    slots_.push_back(std::make_unique<FrameSlot>(firstIndex + k, slotBytes, domain_));
  }
}

std::unique_ptr<FrameReaderRing> FrameReaderRing::Start(FrameReadFunction read, uint32_t firstIndex,
                                                        uint32_t slotCount, uint32_t slotBytes) {
  if (slotCount == 0) return nullptr;
  std::unique_ptr<FrameReaderRing> ring(
      new FrameReaderRing(std::move(read), firstIndex, slotCount, slotBytes));
  if (!ring->thread_.Start([raw = ring.get()] { raw->Produce(); })) return nullptr;
  return ring;
}

FrameReaderRing::~FrameReaderRing() {
  stop_.Set();
  thread_.Join();
}

void FrameReaderRing::Produce() {
  for (;;) {
    FrameSlot& slot = *slots_[fillSlot_];
    const size_t woken = zeb::sys::WaitForAny({&stop_, &pauseRequest_, &slot.free});
    if (woken == 0 || woken == zeb::sys::kWaitFailed) return;
    if (woken == 1) {
      paused_.Set();
      resume_.Wait();
      continue;  // the consumer may have moved the fill slot
    }
    slot.result = read_(slot.frameIndex, slot.data.get(), slotBytes_, &slot.size, &slot.key,
                        &slot.displayOffset);
    slot.filled.Set();
    fillSlot_ = Next(fillSlot_);
  }
}

void FrameReaderRing::Retarget(uint32_t index) {
  QtLogTrace(L"CQTReader::GetVideoFrame--Seek Mode");
  pauseRequest_.Set();
  paused_.Wait();
  size_t at = consumerSlot_;
  for (uint32_t k = 0; k < slots_.size(); ++k, at = Next(at)) {
    FrameSlot& slot = *slots_[at];
    slot.free.Set();
    slot.filled.Reset();
    slot.frameIndex = index + k;
    slot.size = 0;
  }
  fillSlot_ = consumerSlot_;
  resume_.Set();
}

uint32_t FrameReaderRing::Take(uint32_t index, uint8_t* buffer, uint32_t capacity, uint32_t* size,
                               uint32_t* key, int32_t* displayOffset) {
  FrameSlot& slot = *slots_[consumerSlot_];
  slot.filled.Wait();
  if (slot.frameIndex != index) {
    Retarget(index);
    slot.filled.Wait();
  }
  // Everything is taken from the slot before it changes hands.
  const uint32_t result = slot.result;
  *size = slot.size;
  *key = slot.key;
  if (displayOffset != nullptr) *displayOffset = slot.displayOffset;
  if (buffer == nullptr || slot.size > capacity) {
    slot.filled.Set();  // the frame stays due for the next call
    return buffer == nullptr ? result : ZEB_E_FILE_SHORT_READ;
  }
  std::memcpy(buffer, slot.data.get(), slot.size);
  slot.frameIndex += static_cast<uint32_t>(slots_.size());
  consumerSlot_ = Next(consumerSlot_);
  slot.free.Set();
  return result;
}
