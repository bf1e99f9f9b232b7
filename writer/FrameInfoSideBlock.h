// A video unit's SPlugFrameInfo, serialised beside the unit while it waits in
// the elementary-stream buffer: the fields the pump needs back, with the
// private description's bytes inline, so the host may free its own copy as
// soon as the write call returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "zebplug/ZEBPlugRecords.h"

// Bytes the fixed fields take; the private description's bytes come on top.
inline constexpr size_t kFrameInfoSideBlockFixed = 120;

// kFrameInfoSideBlockFixed + the private size (0 when the address is null).
size_t FrameInfoSideBlockSize(const SPlugFrameInfo& info);
// Writes the block into `block`; the bytes written, 0 when it does not fit.
size_t WriteFrameInfoSideBlock(const SPlugFrameInfo& info, std::span<uint8_t> block);
// Restores the serialised fields into `info` (freshly initialised by the
// caller); a private description then points into `block`. False when the
// block is cut short.
bool ReadFrameInfoSideBlock(std::span<const uint8_t> block, SPlugFrameInfo& info);
