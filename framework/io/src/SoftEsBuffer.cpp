#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <optional>

#include "framework/io/include/ZEBSoftCodecIO.h"
#include "framework/io/src/ByteRing.h"
#include "zebplug/ZEBPlugEnums.h"

namespace {

constexpr size_t kMaxReservedBytes = size_t{256} << 20;
// The side block starts on an 8-byte boundary so that the consumer can read
// the record words it carries in place.
constexpr size_t kSideAlignment = 8;

size_t AlignUp(size_t value) {
  return (value + kSideAlignment - 1) / kSideAlignment * kSideAlignment;
}

// One stored unit: its bytes, then its side block at `sideOffset`, either in
// the ring (at `ringOffset`) or in an allocation of its own.
struct Unit {
  uint32_t index = 0;
  size_t size = 0;
  size_t sideSize = 0;
  size_t sideOffset = 0;
  std::optional<size_t> ringOffset;
  std::unique_ptr<uint8_t[]> own;
};

}  // namespace

struct CSoftEsBuffer::Impl {
  mutable std::mutex mutex;
  zeb::io::ByteRing ring;
  std::deque<Unit> waiting;
  std::optional<Unit> handedOut;
  bool initialised = false;
  bool endOfInput = false;

  uint8_t* Base(Unit& unit) { return unit.ringOffset ? ring.At(*unit.ringOffset) : unit.own.get(); }

  // Ends the consumer's hold on the unit that the last GetDate gave out.
  void ReleaseHandedOut() {
    if (handedOut && handedOut->ringOffset) ring.ReleaseOldest();
    handedOut.reset();
  }

  void Clear() {
    ReleaseHandedOut();
    waiting.clear();
    ring.Reset(0);
    initialised = false;
    endOfInput = false;
  }
};

CSoftEsBuffer::CSoftEsBuffer() : impl_(new Impl) {}

CSoftEsBuffer::~CSoftEsBuffer() { delete impl_; }

bool CSoftEsBuffer::Init(uint32_t capacity) {
  std::lock_guard lock(impl_->mutex);
  impl_->Clear();
  impl_->initialised = true;
  return impl_->ring.Reset(std::min<size_t>(capacity, kMaxReservedBytes));
}

bool CSoftEsBuffer::PutDate(uint32_t index, const uint8_t* data, int32_t size, const uint8_t* side,
                            int32_t sideSize) {
  if (size < 1 || !data || sideSize < 0 || (sideSize > 0 && !side)) return false;
  Unit unit;
  unit.index = index;
  unit.size = static_cast<size_t>(size);
  unit.sideSize = static_cast<size_t>(sideSize);
  unit.sideOffset = AlignUp(unit.size);
  const size_t length = AlignUp(unit.sideOffset + unit.sideSize);

  std::lock_guard lock(impl_->mutex);
  if (!impl_->initialised || impl_->endOfInput) return false;
  unit.ringOffset = impl_->ring.Allocate(length);
  if (!unit.ringOffset) {
    unit.own.reset(new (std::nothrow) uint8_t[length]);
    if (!unit.own) return false;
  }
  uint8_t* base = impl_->Base(unit);
  std::memcpy(base, data, unit.size);
  if (unit.sideSize > 0) std::memcpy(base + unit.sideOffset, side, unit.sideSize);
  impl_->waiting.push_back(std::move(unit));
  return true;
}

void CSoftEsBuffer::GetDate(uint32_t* index, uint8_t** data, int32_t* size, uint8_t** side,
                            int32_t* sideSize, uint32_t* state) {
  std::lock_guard lock(impl_->mutex);
  impl_->ReleaseHandedOut();
  uint32_t outIndex = 0;
  uint8_t* outData = nullptr;
  uint8_t* outSide = nullptr;
  size_t outSize = 0;
  size_t outSideSize = 0;
  if (!impl_->waiting.empty()) {
    impl_->handedOut = std::move(impl_->waiting.front());
    impl_->waiting.pop_front();
    Unit& unit = *impl_->handedOut;
    outIndex = unit.index;
    outData = impl_->Base(unit);
    outSize = unit.size;
    outSideSize = unit.sideSize;
    outSide = outSideSize > 0 ? outData + unit.sideOffset : nullptr;
  }
  const bool last = impl_->endOfInput && impl_->waiting.empty();
  if (index) *index = outIndex;
  if (data) *data = outData;
  if (size) *size = static_cast<int32_t>(outSize);
  if (side) *side = outSide;
  if (sideSize) *sideSize = static_cast<int32_t>(outSideSize);
  if (state) *state = last ? PLUG_STREAMSTATE_END_ : PLUG_STREAMSTATE_MORE_;
}

void CSoftEsBuffer::SetEndOfInput() {
  std::lock_guard lock(impl_->mutex);
  impl_->endOfInput = true;
}

void CSoftEsBuffer::Close() {
  std::lock_guard lock(impl_->mutex);
  impl_->Clear();
}

size_t CSoftEsBuffer::Count() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->waiting.size();
}
