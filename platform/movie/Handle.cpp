#include "platform/movie/Handle.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace zeb::movie {

namespace {

// The master pointer is the first member, so a Handle (its address) and the
// block record are the same address.
struct HandleBlock {
  uint8_t* master;
  uint8_t* storage;  // the allocation this handle owns
  size_t size;
  size_t capacity;
  bool locked;
};

HandleBlock* BlockOf(Handle handle) { return reinterpret_cast<HandleBlock*>(handle); }

}  // namespace

Handle NewHandle(size_t size) {
  auto* block = new (std::nothrow) HandleBlock{};
  if (block == nullptr) return nullptr;
  // At least one byte, so that *handle is never null.
  block->storage = static_cast<uint8_t*>(std::calloc(size == 0 ? 1 : size, 1));
  if (block->storage == nullptr) {
    delete block;
    return nullptr;
  }
  block->master = block->storage;
  block->size = size;
  block->capacity = size == 0 ? 1 : size;
  return &block->master;
}

void DisposeHandle(Handle handle) {
  if (handle == nullptr) return;
  HandleBlock* block = BlockOf(handle);
  std::free(block->storage);
  delete block;
}

size_t GetHandleSize(Handle handle) { return handle == nullptr ? 0 : BlockOf(handle)->size; }

Status SetHandleSize(Handle handle, size_t size) {
  if (handle == nullptr) return Status::Error(StatusCode::kOutOfRange, "null handle");
  HandleBlock* block = BlockOf(handle);
  if (size <= block->capacity) {
    if (size > block->size) std::memset(block->storage + block->size, 0, size - block->size);
    block->size = size;
    block->master = block->storage;
    return Status::Ok();
  }
  if (block->locked) {
    return Status::Error(StatusCode::kNoMemory,
                         "a locked handle cannot grow to " + std::to_string(size) + " bytes");
  }
  auto* grown = static_cast<uint8_t*>(std::realloc(block->storage, size));
  if (grown == nullptr) {
    return Status::Error(StatusCode::kNoMemory,
                         "cannot grow a handle to " + std::to_string(size) + " bytes");
  }
  std::memset(grown + block->size, 0, size - block->size);
  block->storage = grown;
  block->master = grown;
  block->size = size;
  block->capacity = size;
  return Status::Ok();
}

void HLock(Handle handle) {
  if (handle != nullptr) BlockOf(handle)->locked = true;
}

void HUnlock(Handle handle) {
  if (handle != nullptr) BlockOf(handle)->locked = false;
}

}  // namespace zeb::movie
