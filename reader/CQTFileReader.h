// Reads movie bytes straight from the file, bypassing the system cache, for
// the reader's direct read mode. Any offset and length is served on top of
// aligned unbuffered reads (pages the page cache holds already come from
// there); an optional read-ahead thread keeps a ring of 1 MiB blocks filled
// ahead of the caller, with reads of several blocks and several reads in
// flight when the ring is large enough. A read of at least a block whose
// offset, length and destination suit unbuffered reads goes straight into
// the destination instead, without a copy.
//
// Two threads touch one object: the caller and its own read-ahead thread.
// They take no lock; blocks, the file position and the alignment buffer
// change hands only through events (see ReadFromRing and ReadAheadThread).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/sys/AlignedBuffer.h"
#include "platform/sys/DriveType.h"
#include "platform/sys/File.h"
#include "platform/sys/ReadQueue.h"
#include "platform/sys/Thread.h"

// The platform services the reader relies on; tests substitute faulty reads
// and an optical drive.
struct CQTFileReaderServices {
  // Empty: the system's own reads (io_uring, the page cache). A substitute
  // stands in for the device and serves every byte.
  zeb::sys::PositionedRead read;
  std::function<zeb::sys::DriveType(const std::string& utf8_path)> driveType =
      zeb::sys::QueryDriveType;
};

class CQTFileReader {
 public:
  // Open flags keep their Win32 values: callers pass them through unchanged.
  static constexpr uint32_t kFileFlagNoBuffering = 0x20000000;
  static constexpr uint32_t kFileFlagSequentialScan = 0x08000000;
  static constexpr uint32_t kBlockSize = 0x100000;
  // A one-block ring would hand its only block back to the producer while the
  // consumer still copies from it, so every ring has at least two.
  static constexpr uint32_t kMinimumBlocks = 2;
  // A producer read fills at most this many adjacent blocks, and at most
  // this many reads are in flight, for the ring and for straight reads.
  static constexpr uint32_t kMaxBlocksPerRead = 4;
  static constexpr uint32_t kMaxReadsInFlight = 4;
  // Seek origins.
  static constexpr uint32_t kFromStart = 1;
  static constexpr uint32_t kFromEnd = 2;
  static constexpr uint32_t kFromCurrent = 3;

  explicit CQTFileReader(CQTFileReaderServices services = {});
  ~CQTFileReader();
  CQTFileReader(const CQTFileReader&) = delete;
  CQTFileReader& operator=(const CQTFileReader&) = delete;

  // path: NUL-terminated UTF-16. A path on an optical disc is opened buffered
  // for sequential scan whatever the flags; kFileFlagNoBuffering elsewhere asks
  // for unbuffered reads, and a file system that refuses them gets a buffered
  // sequential open (GetOpenFlags tells which). Returns 0 or 0x80000100.
  uint32_t OpenFile(const char16_t* path, uint32_t flags);
  // Stops read-ahead, frees the buffers and closes the file. Returns 0.
  uint32_t Close();
  uint64_t GetSize() const;
  // Moves the logical position (origins above; any other leaves it) and
  // returns it. With read-ahead on, the read that follows restarts the ring
  // at the target when it is not served from the head block.
  uint64_t Seek(uint64_t offset, uint32_t origin);
  // Copies up to length bytes from the logical position and advances it by
  // the count delivered: fewer at the end of the file or after a failed read.
  uint32_t Read(void* destination, uint32_t length);
  // size bytes of ring, rounded up to whole blocks (2 at least); a size below
  // minimum becomes twice minimum. 0 changes nothing, and the same ring size
  // keeps the running ring and thread.
  void EnableReadAhead(uint32_t size, uint32_t minimum);
  void StopReadAhead();

  uint32_t GetOpenFlags() const { return openFlags_; }
  // The file system's unbuffered-read alignment, which plays the role of the
  // sector size: 512 or 4096 on common disks.
  uint32_t GetSectorSize() const { return sectorSize_; }
  bool IsReadAheadActive() const { return ring_ != nullptr; }
  uint64_t GetRingSize() const;
  // Bytes taken from the page cache instead of the device since the open.
  uint64_t GetBytesFromCache() const { return file_.bytes_from_cache(); }

 private:
  struct ReadAheadBlock;
  struct ReadAheadRing;

  uint32_t ReadAt(uint8_t* destination, uint32_t length);
  bool CanReadStraight(uint64_t position, const uint8_t* destination, uint32_t length) const;
  uint32_t ReadStraight(uint8_t* destination, uint32_t length, uint64_t position);
  uint32_t ReadThroughAlignmentBuffer(uint8_t* destination, uint32_t length);
  bool Reserve(zeb::sys::AlignedBuffer& buffer, uint64_t size) const;

  uint32_t ReadFromRing(uint64_t position, uint8_t* destination, uint32_t length);
  bool RestartRing(uint64_t position);
  void ReadAheadThread();
  uint32_t ClaimFreeBlocks(uint32_t claimed) const;
  bool IsWholeRead(uint32_t claimed) const;
  void SubmitRead(uint32_t blocks);
  void HandOverOldestRead();
  void HandOverEveryRead();
  bool ParkIfPauseRequested();

  CQTFileReaderServices services_;
  zeb::sys::File file_;
  uint64_t logicalPosition_ = 0;  // where the next Read starts
  uint64_t filePosition_ = 0;     // where the next ReadAt reads; the producer's while it runs
  uint32_t openFlags_ = 0;
  uint32_t sectorSize_ = 512;
  uint32_t memoryAlignment_ = 512;
  std::unique_ptr<ReadAheadRing> ring_;  // null while read-ahead is off
  zeb::sys::Thread readAheadThread_;
  zeb::sys::AlignedBuffer alignmentBuffer_;
  // The caller's own reads in flight, for straight reads; made at the first.
  std::unique_ptr<zeb::sys::ReadQueue> straightReads_;
};
