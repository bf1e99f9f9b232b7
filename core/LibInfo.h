// Library information: ordinals 600 (QueryLibInfo), 601 (GetLibState) and
// 602 (TQGetLibInfo).
#pragma once

#include <cstdint>

#include "zebplug/ZEBPlugApi.h"

inline constexpr char kLibraryVersionText[] = "3.0.2.0";
inline constexpr char kFrameworkVersionText[] = "3.0.18.0";

// a0 must not be null; information class a1 must be 2; item a2 selects what
// is written to `out`. `length` is in and out for item 2.
uint32_t QueryLibInfo(const void* a0, uint32_t info_class, uint32_t item, uint32_t a3,
                      uint32_t* length, void* out);

int32_t GetLibState();

// The same static record on every call, alive while the library is loaded.
const LibInfoRecord* GetLibInfoRecord();
