// The system's log lines: every one goes to the framework's log with the
// source name "ZEBQTLib"; plain texts go through the format "%s".
#pragma once

#include <cstdint>

#include "framework/sys/include/ZEBSoftCodecSys.h"

inline constexpr const wchar_t* kQtLogSource = L"ZEBQTLib";

// Level 1: a failure.
inline void QtLogError(const wchar_t* text) {
  ZEB_OutputW(kQtLogSource, ZEB_INFO_ERROR, L"%s", text);
}

// Level 8: an informational trace.
inline void QtLogTrace(const wchar_t* text) {
  ZEB_OutputW(kQtLogSource, ZEB_INFO_TRACE, L"%s", text);
}

// A trace formatted here first (the platform's wide-format meaning: %ls for
// a wide string) and sent as one ZEBMSGW message.
void QtLogMessage(const wchar_t* format, ...);
