/*
 * ZEBSoftCodecIOU: the elementary-stream buffer and the network-path helper
 * of the host framework.
 */
#pragma once

#include <stddef.h>
#include <stdint.h>

#define ZEBIO_API __attribute__((visibility("default")))

/*
 * A FIFO of units (coded frames), each stored as a copy together with a copy
 * of its side block. Every operation takes the buffer's lock, so one producer
 * thread and one consumer thread may share it.
 *
 * Capacity. Init reserves `capacity` bytes once (at most 256 MiB) and units
 * are copied into that area while it has room. PutDate never blocks and never
 * drops a unit: when the area is full, the unit is stored in its own
 * allocation instead. A blocking put would deadlock a caller that puts and
 * gets on the same thread, and a dropped unit would be lost data; memory
 * beyond the capacity is the price of a producer running ahead.
 *
 * Pointers handed out by GetDate stay valid, and keep their contents, until
 * the next GetDate or Close; the consumer may write to them.
 */
class ZEBIO_API CSoftEsBuffer {
 public:
  CSoftEsBuffer();
  ~CSoftEsBuffer();
  CSoftEsBuffer(const CSoftEsBuffer&) = delete;
  CSoftEsBuffer& operator=(const CSoftEsBuffer&) = delete;

  /* Discards any content and starts empty. False when the capacity could
     not be reserved; the buffer then stores every unit on its own. */
  bool Init(uint32_t capacity);

  /* Copies a unit and its side block. False, with nothing stored, before
     Init, after SetEndOfInput, for a size below 1, a negative side size, a
     null pointer with a positive size, or when memory runs out. */
  bool PutDate(uint32_t index, const uint8_t* data, int32_t size, const uint8_t* side,
               int32_t sideSize);

  /* Takes the oldest unit. `size` below 1 means that nothing is waiting;
     the pointers are then null. `state` is PLUG_STREAMSTATE_END_ (2) for
     the last unit once SetEndOfInput has been called (and for every empty
     answer after it), else PLUG_STREAMSTATE_MORE_ (1). Null outputs are
     skipped. */
  void GetDate(uint32_t* index, uint8_t** data, int32_t* size, uint8_t** side, int32_t* sideSize,
               uint32_t* state);

  /* No more units will be put. */
  void SetEndOfInput();

  /* Frees every unit and the reserved area; Init makes the buffer usable again. */
  void Close();

  /* Units waiting to be taken. */
  size_t Count() const;

 private:
  struct Impl;
  Impl* impl_;
};

/*
 * Maps a network path to the local path that reaches the same file. `out`
 * receives at most 260 UTF-16 units including the terminating zero.
 *
 * A network path starts with two slashes or backslashes: //host/share/rest.
 * Its backslashes become '/'. When a mounted network share of this machine
 * (an entry of /proc/self/mounts whose source is //host/share, compared
 * without regard to ASCII case) covers it, the result is the mount point
 * followed by the rest. Otherwise, when the host is this machine (localhost,
 * 127.0.0.1 or its host name), the result is /share/rest. Any other network
 * path is copied with its slashes normalised. A path that is not a network
 * path is copied unchanged: on Linux a backslash is part of a file name.
 *
 * Returns 1 when `out` holds the result, 0 when an argument is null, `in`
 * has no terminator within 260 units, or the result does not fit; `out` is
 * not written then.
 */
extern "C" ZEBIO_API int32_t ConvertUNC2LocalPathName(const char16_t* in, char16_t* out);
