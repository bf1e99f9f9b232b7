// The video settings export: the "QuickTime VideoSet" dialog over a stream
// record, and the custom-setting block (kind 6) the encoder opens with.
#pragma once

#include <cstdint>

#include "zebplug/ZEBPlugRecords.h"

// 0 when the user confirmed: `info` is updated and `*block` holds a block
// from malloc of `*size` bytes. 1 when the dialog was cancelled or cannot
// be shown.
uint32_t GetVideoCodecCustomSettingDialog(SPlugVideoStreamInfo* info, uint32_t* kind, void** block,
                                          uint32_t* size);
