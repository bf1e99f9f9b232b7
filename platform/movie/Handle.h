// Relocatable memory blocks in the manner of the media layer's handles: a
// Handle points at a master pointer, which points at the bytes. Resizing may
// move the bytes and updates the master pointer; callers re-read *handle
// after any call that can resize. A locked handle never moves.
//
// Disposal frees the block the handle owns, whatever the master pointer
// holds at that moment, so a caller that saved *handle at allocation and
// writes it back before disposing (or never touches it) is always safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/movie/Status.h"

namespace zeb::movie {

using Handle = uint8_t**;

// A new handle of `size` zero bytes; null when memory runs out.
Handle NewHandle(size_t size);
// Frees the handle and its block; null is accepted.
void DisposeHandle(Handle handle);
size_t GetHandleSize(Handle handle);
// Grows or shrinks the block, keeping its first bytes; new bytes are zero.
// A locked handle that would have to move gives kNoMemory and keeps its size.
Status SetHandleSize(Handle handle, size_t size);
void HLock(Handle handle);
void HUnlock(Handle handle);

struct HandleDisposer {
  void operator()(uint8_t** handle) const { DisposeHandle(handle); }
};
// A handle that disposes of itself.
using OwnedHandle = std::unique_ptr<uint8_t*, HandleDisposer>;

}  // namespace zeb::movie
