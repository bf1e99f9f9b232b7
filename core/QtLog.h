// The system's log lines: every one goes to the framework's log with the
// source name "ZEBQTLib"; plain texts go through the format "%s".
#pragma once

#include <cstdint>

#include "framework/sys/include/ZEBSoftCodecSys.h"
#include "platform/codec/LibavLog.h"

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

// A line of libav's own (libavcodec and the coders in it), as the codec
// bridge routes it: its errors at level 1, its warnings and information at
// level 8, each as "libav <origin>: <line>" ("libav: <line>" without one).
void QtLogLibavLine(zeb::codec::LibavSeverity severity, const char* origin, const char* line);
