#include "reader/CQTFileReader.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "framework/sys/include/ZEBSoftCodecSys.h"
#include "platform/sys/Event.h"
#include "platform/sys/Utf.h"
#include "zebplug/ZEBPlugResults.h"

using zeb::sys::Event;
using zeb::sys::ReadQueue;
using zeb::sys::ResetMode;

namespace {

constexpr uint64_t kNothing = UINT64_MAX;  // a block's file offset when it holds nothing
constexpr uint64_t kMiB = 0x100000;
// Straight reads go to the file in pieces of this size, several in flight.
constexpr uint32_t kStraightPiece = 0x100000;

uint64_t RoundUp(uint64_t value, uint64_t unit) { return (value + unit - 1) / unit * unit; }

}  // namespace

struct CQTFileReader::ReadAheadBlock {
  explicit ReadAheadBlock(const std::shared_ptr<zeb::sys::SignalDomain>& domain)
      : filledEvent(ResetMode::kAuto, false, domain), freeEvent(ResetMode::kAuto, false, domain) {}

  uint8_t* data = nullptr;  // a slice of the ring memory
  uint32_t capacity = 0;
  uint32_t filled = 0;  // valid bytes: what the last read into the block returned
  Event filledEvent;    // set when the block holds fresh data for the consumer
  Event freeEvent;      // set when the producer may fill the block again
  uint64_t fileOffset = kNothing;
  ReadAheadBlock* next = nullptr;
};

// Everything that exists only while read-ahead is on. All events share one
// domain, so the producer's and the consumer's waits see one order of events.
struct CQTFileReader::ReadAheadRing {
  ReadAheadRing() : domain(zeb::sys::SignalDomain::Create()) {}

  // The producer's read size and depth: as large as the ring allows while
  // the consumer holds its head block.
  bool Build(uint64_t size, uint32_t alignment, const zeb::sys::File& file) {
    if (!memory.Allocate(size, alignment)) return false;
    const uint64_t count = size / kBlockSize;
    blocksPerRead =
        static_cast<uint32_t>(std::clamp<uint64_t>((count - 1) / 2, 1, kMaxBlocksPerRead));
    const auto depth = static_cast<uint32_t>(
        std::clamp<uint64_t>((count - 1) / blocksPerRead, 1, kMaxReadsInFlight));
    reads = std::make_unique<ReadQueue>(file, depth);
    for (uint64_t i = 0; i < count; ++i) {
      auto block = std::make_unique<ReadAheadBlock>(domain);
      block->data = memory.data() + i * kBlockSize;
      block->capacity = kBlockSize;
      blocks.push_back(std::move(block));
    }
    for (uint64_t i = 0; i < count; ++i) blocks[i]->next = blocks[(i + 1) % count].get();
    head = fill = blocks.front().get();
    return true;
  }

  std::shared_ptr<zeb::sys::SignalDomain> domain;
  zeb::sys::AlignedBuffer memory;
  std::vector<std::unique_ptr<ReadAheadBlock>> blocks;  // ring order
  ReadAheadBlock* head = nullptr;                       // the consumer reads from it
  ReadAheadBlock* fill = nullptr;                       // the producer reads into it next
  // The producer's alone: its reads, oldest first, each of adjacent blocks.
  struct Read {
    ReadAheadBlock* first;
    uint32_t blocks;
    uint64_t fileOffset;
  };
  uint32_t blocksPerRead = 1;
  std::unique_ptr<ReadQueue> reads;
  std::deque<Read> inFlight;
  Event pauseRequest{ResetMode::kAuto, false, domain};
  Event resume{ResetMode::kAuto, false, domain};
  Event paused{ResetMode::kAuto, false, domain};
  Event stop{ResetMode::kManual, false, domain};  // manual: both producer tests see it
};

CQTFileReader::CQTFileReader(CQTFileReaderServices services)
    : services_(std::move(services)), file_(services_.read) {}

CQTFileReader::~CQTFileReader() { Close(); }

uint32_t CQTFileReader::OpenFile(const char16_t* path, uint32_t flags) {
  Close();
  if (path == nullptr) return ZEB_E_FILE_OPEN;
  const std::string utf8 = zeb::sys::Utf16ToUtf8(path);
  if (services_.driveType(utf8) == zeb::sys::DriveType::kCdRom) {
    ZEB_OutputW(
        L"ZEBQTLib", ZEB_INFO_TRACE, L"%s",
        L"CQTReader::OpenFile--This is CDROM Path Name, Change to FILE_FLAG_SEQUENTIAL_SCAN");
    flags = kFileFlagSequentialScan;
  }
  const bool unbuffered = (flags & kFileFlagNoBuffering) != 0;
  if (!file_.OpenForReading(utf8, unbuffered ? zeb::sys::OpenMode::kUnbuffered
                                             : zeb::sys::OpenMode::kBufferedSequential)) {
    return ZEB_E_FILE_OPEN;
  }
  // A file system without direct I/O gave a buffered sequential open; the
  // flags record that, so that reads skip the alignment work.
  const bool fellBack = unbuffered && file_.mode() != zeb::sys::OpenMode::kUnbuffered;
  openFlags_ = fellBack ? (flags & ~kFileFlagNoBuffering) | kFileFlagSequentialScan : flags;
  sectorSize_ = file_.alignment().offset;
  memoryAlignment_ = file_.alignment().memory;
  return ZEB_OK;
}

// The thread stops before the positions clear: the file position is the
// producer's until it has ended.
uint32_t CQTFileReader::Close() {
  StopReadAhead();
  logicalPosition_ = 0;
  filePosition_ = 0;
  alignmentBuffer_.Free();
  straightReads_.reset();
  file_.Close();
  return ZEB_OK;
}

uint64_t CQTFileReader::GetSize() const { return file_.Size().value_or(0); }

uint64_t CQTFileReader::GetRingSize() const { return ring_ ? ring_->memory.size() : 0; }

uint64_t CQTFileReader::Seek(uint64_t offset, uint32_t origin) {
  uint64_t target;
  switch (origin) {
    case kFromStart:
      target = offset;
      break;
    case kFromEnd:
      target = GetSize() + offset;
      break;
    case kFromCurrent:
      target = logicalPosition_ + offset;
      break;
    default:
      return logicalPosition_;
  }
  // With the ring the next read decides: the head block may serve it, or it
  // may go straight to the file, or the ring restarts there.
  if (!ring_) filePosition_ = target;
  logicalPosition_ = target;
  return target;
}

uint32_t CQTFileReader::Read(void* destination, uint32_t length) {
  if (destination == nullptr) return 0;
  auto* bytes = static_cast<uint8_t*>(destination);
  if (ring_) return ReadFromRing(logicalPosition_, bytes, length);
  const uint32_t delivered = ReadAt(bytes, length);
  logicalPosition_ += delivered;
  return delivered;
}

uint32_t CQTFileReader::ReadAt(uint8_t* destination, uint32_t length) {
  const bool aligned = (openFlags_ & kFileFlagNoBuffering) != 0;
  uint32_t delivered;
  if (!aligned)
    delivered = static_cast<uint32_t>(file_.ReadAt(destination, length, filePosition_));
  else if (CanReadStraight(filePosition_, destination, length))
    delivered = ReadStraight(destination, length, filePosition_);
  else
    delivered = ReadThroughAlignmentBuffer(destination, length);
  filePosition_ += delivered;
  return delivered;
}

// Unbuffered reads need the offset, the length and the address aligned.
bool CQTFileReader::CanReadStraight(uint64_t position, const uint8_t* destination,
                                    uint32_t length) const {
  return position % sectorSize_ == 0 && length % sectorSize_ == 0 &&
         zeb::sys::IsAligned(destination, memoryAlignment_);
}

// Reads into the destination in pieces, several in flight; the count is the
// bytes up to the first piece that came back short.
uint32_t CQTFileReader::ReadStraight(uint8_t* destination, uint32_t length, uint64_t position) {
  if (!straightReads_) straightReads_ = std::make_unique<ReadQueue>(file_, kMaxReadsInFlight);
  ReadQueue& reads = *straightReads_;
  uint32_t queued = 0;
  uint32_t completed = 0;
  uint32_t delivered = 0;
  bool ended = false;
  for (;;) {
    while (!ended && queued < length) {
      const uint32_t piece = std::min(kStraightPiece, length - queued);
      if (!reads.Submit(destination + queued, piece, position + queued)) break;
      queued += piece;
    }
    if (reads.queued() == 0) return delivered;
    const uint32_t expected = std::min(kStraightPiece, length - completed);
    const auto got = static_cast<uint32_t>(reads.WaitOldest());
    completed += expected;
    if (!ended) delivered += got;
    ended = ended || got < expected;
  }
}

// Reads the aligned span around [file position, + length) and copies the
// asked part. The span stops at the end of the file, so a wild length costs
// no wild allocation.
uint32_t CQTFileReader::ReadThroughAlignmentBuffer(uint8_t* destination, uint32_t length) {
  const uint64_t size = GetSize();
  if (filePosition_ >= size) return 0;
  const uint64_t head = filePosition_ % sectorSize_;
  const uint64_t start = filePosition_ - head;
  const uint64_t wanted = std::min<uint64_t>(length, size - filePosition_);
  const uint64_t span = RoundUp(head + wanted, sectorSize_);
  if (!Reserve(alignmentBuffer_, span)) return 0;
  const uint64_t got = file_.ReadAt(alignmentBuffer_.data(), span, start);
  if (got <= head) return 0;
  const auto delivered = static_cast<uint32_t>(std::min<uint64_t>(got - head, length));
  std::memcpy(destination, alignmentBuffer_.data() + head, delivered);
  return delivered;
}

// Buffers grow in whole MiB: 1 MiB, or (size / 1 MiB + 1) MiB, and are reused.
bool CQTFileReader::Reserve(zeb::sys::AlignedBuffer& buffer, uint64_t size) const {
  if (buffer.size() >= size) return true;
  const uint64_t capacity = size <= kMiB ? kMiB : (size / kMiB + 1) * kMiB;
  return buffer.Allocate(capacity, memoryAlignment_);
}

void CQTFileReader::EnableReadAhead(uint32_t size, uint32_t minimum) {
  if (size == 0 || !file_.is_open()) return;
  uint64_t ringSize = static_cast<int32_t>(size) < static_cast<int32_t>(minimum)
                          ? 2 * uint64_t{minimum}
                          : uint64_t{size};
  ringSize = RoundUp(RoundUp(ringSize, sectorSize_), kBlockSize);
  ringSize = std::max<uint64_t>(ringSize, uint64_t{kMinimumBlocks} * kBlockSize);
  if (ring_ && ring_->memory.size() == ringSize) return;
  StopReadAhead();
  alignmentBuffer_.Free();
  // Failures leave read-ahead off; reads then go straight to the file.
  auto ring = std::make_unique<ReadAheadRing>();
  if (!ring->Build(ringSize, memoryAlignment_, file_)) return;
  ring_ = std::move(ring);
  if (!readAheadThread_.Start([this] { ReadAheadThread(); })) ring_.reset();
}

void CQTFileReader::StopReadAhead() {
  if (!ring_) return;
  ring_->stop.Set();
  for (auto& block : ring_->blocks) block->freeEvent.Set();
  readAheadThread_.Join();
  ring_.reset();
  // The producer's position ran ahead of the caller; reads without the ring
  // go on from where the caller stands.
  filePosition_ = logicalPosition_;
}

// The producer. It reads consecutive blocks from the file position into the
// blocks whose free events it has received, in ring order: a read takes up
// to blocksPerRead adjacent free blocks, and waits to be that large while
// other reads keep the device busy. Each block of a finished read is handed
// over by its own filled event, oldest read first. Pause and stop are
// looked at between reads; every read in flight is finished and handed
// over before the producer parks or ends.
void CQTFileReader::ReadAheadThread() {
  ReadAheadRing& ring = *ring_;
  uint32_t claimed = 0;  // free blocks from the fill block on that this thread holds
  for (;;) {
    if (ParkIfPauseRequested()) {
      claimed = 0;  // the restart handed out every block afresh
      continue;
    }
    if (ring.stop.TryWait()) {
      HandOverEveryRead();
      return;
    }
    claimed = ClaimFreeBlocks(claimed);
    const bool deviceIdle = ring.inFlight.empty();
    const bool room = ring.inFlight.size() < ring.reads->depth();
    if (claimed > 0 && room && (deviceIdle || IsWholeRead(claimed))) {
      SubmitRead(claimed);
      claimed = 0;
    } else if (!deviceIdle) {
      HandOverOldestRead();
    } else {
      ring.fill->freeEvent.Wait();
      claimed = 1;
    }
  }
}

// Takes the free events of the blocks after the `claimed` ones that are
// free already and lie right after them in the ring memory, up to a whole
// read. Returns the blocks held.
uint32_t CQTFileReader::ClaimFreeBlocks(uint32_t claimed) const {
  ReadAheadBlock* last = ring_->fill;
  for (uint32_t i = 1; i < claimed; ++i) last = last->next;
  while (claimed < ring_->blocksPerRead) {
    ReadAheadBlock* next = claimed == 0 ? ring_->fill : last->next;
    const bool adjacent = claimed == 0 || next->data == last->data + kBlockSize;
    if (!adjacent || !next->freeEvent.TryWait()) break;
    last = next;
    ++claimed;
  }
  return claimed;
}

// A read cannot grow past blocksPerRead or past the end of the ring memory.
bool CQTFileReader::IsWholeRead(uint32_t claimed) const {
  if (claimed >= ring_->blocksPerRead) return true;
  const ReadAheadBlock* last = ring_->fill;
  for (uint32_t i = 1; i < claimed; ++i) last = last->next;
  return last->next->data != last->data + kBlockSize;
}

void CQTFileReader::SubmitRead(uint32_t blocks) {
  ReadAheadRing& ring = *ring_;
  ring.reads->Submit(ring.fill->data, uint64_t{blocks} * kBlockSize, filePosition_);
  ring.inFlight.push_back({ring.fill, blocks, filePosition_});
  filePosition_ += uint64_t{blocks} * kBlockSize;
  for (uint32_t i = 0; i < blocks; ++i) ring.fill = ring.fill->next;
}

// A read that came back short (end of file, failure) leaves its later
// blocks short or empty; the consumer stops at the first short block.
void CQTFileReader::HandOverOldestRead() {
  ReadAheadRing& ring = *ring_;
  uint64_t got = ring.reads->WaitOldest();
  const ReadAheadRing::Read read = ring.inFlight.front();
  ring.inFlight.pop_front();
  ReadAheadBlock* block = read.first;
  for (uint32_t i = 0; i < read.blocks; ++i, block = block->next) {
    block->fileOffset = read.fileOffset + uint64_t{i} * kBlockSize;
    block->filled = static_cast<uint32_t>(std::min<uint64_t>(got, kBlockSize));
    got -= block->filled;
    block->filledEvent.Set();
  }
}

void CQTFileReader::HandOverEveryRead() {
  while (!ring_->inFlight.empty()) HandOverOldestRead();
}

// While parked the producer touches nothing and has nothing in flight; the
// consumer owns every block, the file position and the alignment buffer
// until it sets resume.
bool CQTFileReader::ParkIfPauseRequested() {
  if (!ring_->pauseRequest.TryWait()) return false;
  HandOverEveryRead();
  ring_->paused.Set();
  ring_->resume.Wait();
  return true;
}

// The consumer, on the caller's thread. The head block is the consumer's; it
// hands a block back (free event) only after it has moved on to the next
// one, whose filled event it has waited for.
uint32_t CQTFileReader::ReadFromRing(uint64_t position, uint8_t* destination, uint32_t length) {
  const ReadAheadBlock* head = ring_->head;
  const bool hit = head->fileOffset != kNothing && position >= head->fileOffset &&
                   position - head->fileOffset < head->filled;
  // A read of a block or more that the ring does not hold and that suits
  // unbuffered reads needs no copy; the ring stays as it is.
  const bool straight = !hit && length >= kBlockSize && (openFlags_ & kFileFlagNoBuffering) != 0 &&
                        CanReadStraight(position, destination, length);
  if (straight) {
    const uint32_t delivered = ReadStraight(destination, length, position);
    logicalPosition_ += delivered;
    return delivered;
  }
  if (!hit && !RestartRing(position)) return 0;

  uint64_t offset = position - ring_->head->fileOffset;
  uint32_t copied = 0;
  while (copied < length) {
    ReadAheadBlock& block = *ring_->head;
    const uint64_t available = block.filled - offset;
    if (copied + available >= length) {
      std::memcpy(destination + copied, block.data + offset, length - copied);
      copied = length;
      break;
    }
    std::memcpy(destination + copied, block.data + offset, available);
    copied += static_cast<uint32_t>(available);
    if (block.filled < block.capacity) break;  // the block ended short: end of file
    block.next->filledEvent.Wait();
    block.filledEvent.Reset();
    block.freeEvent.Set();
    ring_->head = block.next;
    offset = 0;
  }
  logicalPosition_ += copied;
  return copied;
}

// Parks the producer, reads the block at position synchronously into the
// head and hands every other block to the producer, which goes on from the
// end of the head. False when nothing exists at position (past the end of
// the file, or the read failed); the producer then stays parked on its free
// event until the next restart or stop, and the head is marked so that the
// next read restarts again.
bool CQTFileReader::RestartRing(uint64_t position) {
  ReadAheadRing& ring = *ring_;
  ring.pauseRequest.Set();
  for (auto& block : ring.blocks) block->freeEvent.Set();
  ring.paused.Wait();

  ReadAheadBlock& head = *ring.head;
  const uint64_t start = position - position % sectorSize_;
  filePosition_ = start;
  head.fileOffset = start;
  head.filled = ReadAt(head.data, head.capacity);
  const bool holdsPosition = head.filled > position - start;
  for (auto& block : ring.blocks) {
    const bool producers = holdsPosition && block.get() != &head;
    if (producers)
      block->freeEvent.Set();
    else
      block->freeEvent.Reset();
    if (block.get() == &head)
      block->filledEvent.Set();
    else
      block->filledEvent.Reset();
  }
  ring.fill = head.next;
  ring.resume.Set();
  return holdsPosition;
}
