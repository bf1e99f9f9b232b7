// Default construction, copying and the private-description triple of the
// records shared with the host. Records live in caller memory (often the
// host's), so construction is an Init over existing storage: it writes every
// word that has a default and leaves the words the host keeps as they are.
#pragma once

#include <cstdint>

#include "zebplug/ZEBPlugRecords.h"

namespace PlugRecords {

// decodePosition and presentationPosition of a frame that has none: low word
// all ones, high word 0.
inline constexpr uint64_t kUnsetPosition = 0x00000000FFFFFFFFull;

// Sets every word to its default; SPlugFrameInfo words 9 and 33 and the fill
// patterns of SPlugVideoFrameFormat are left untouched.
void Init(SPlugStreamInfo& info);
void Init(SPlugVideoStreamInfo& info);
void Init(SPlugAudioStreamInfo& info);
void Init(SPlugFrameInfo& info);
void Init(SPlugVideoFrameFormat& format);

// The copy's size word is always sizeof(SPlugVideoStreamInfo), whatever the
// source held; every other word comes from the source.
void Copy(SPlugVideoStreamInfo& to, const SPlugVideoStreamInfo& from);
// Copies all fifteen words, the size word included.
void Copy(SPlugAudioStreamInfo& to, const SPlugAudioStreamInfo& from);

// {kind, address, size}: kind is one of PLUG_PRIVATE_*; the bytes at address
// stay owned by whoever filled the triple.
struct PrivateDesc {
  uint32_t kind = PLUG_PRIVATE_NONE;
  void* address = nullptr;
  uint32_t size = 0;
};

void SetPrivate(SPlugStreamInfo& info, const PrivateDesc& desc);
void SetPrivate(SPlugFrameInfo& info, const PrivateDesc& desc);
PrivateDesc GetPrivate(const SPlugStreamInfo& info);
PrivateDesc GetPrivate(const SPlugFrameInfo& info);

}  // namespace PlugRecords
