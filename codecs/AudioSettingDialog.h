// The audio settings export: the standard sound dialog over a stream record,
// and the custom-setting block (kind 8) the audio encoder opens with.
#pragma once

#include <cstdint>

#include "zebplug/ZEBPlugRecords.h"

// 0 when the user confirmed: `info` is updated and `*block` holds the
// format's codec settings from malloc (`*size` bytes), or null for a format
// without any. 1 when the dialog was cancelled or cannot be shown.
uint32_t GetAudioCodecCustomSettingDialog(SPlugAudioStreamInfo* info, uint32_t* kind, void** block,
                                          uint32_t* size);
