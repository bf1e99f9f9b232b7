#include "framework/sys/src/LogService.h"

#include <cstdio>

#include "framework/sys/src/WindowsFormat.h"
#include "platform/sys/Utf.h"

namespace zeb::sys {
namespace {

// Set while this thread is inside the sink, so a sink that logs gets its
// line written to the default destination instead of deadlocking.
thread_local bool t_in_sink = false;

}  // namespace

LogService& LogService::Instance() {
  static LogService service;
  return service;
}

void LogService::SetSink(ZEBLogSink sink, void* context) {
  if (t_in_sink) return;
  std::lock_guard lock(mutex_);
  sink_ = sink;
  context_ = context;
}

void LogService::Deliver(const wchar_t* source, uint32_t level, const std::wstring& line) {
  const std::string source_utf8 = zeb::sys::WideToUtf8(source ? source : L"");
  const std::string line_utf8 = zeb::sys::WideToUtf8(line);
  if (t_in_sink) {
    WriteDefault(source_utf8, level, line_utf8);
    return;
  }
  std::lock_guard lock(mutex_);
  if (!sink_) {
    WriteDefault(source_utf8, level, line_utf8);
    return;
  }
  t_in_sink = true;
  sink_(context_, source_utf8.c_str(), level, line_utf8.c_str());
  t_in_sink = false;
}

// Errors only, one line each; traces are dropped unless a sink takes them.
void LogService::WriteDefault(const std::string& source, uint32_t level, const std::string& line) {
  if (level != ZEB_INFO_ERROR) return;
  const bool has_newline = !line.empty() && line.back() == '\n';
  std::fprintf(stderr, "%s: %s%s", source.c_str(), line.c_str(), has_newline ? "" : "\n");
}

}  // namespace zeb::sys

extern "C" {

void ZEB_OutputW(const wchar_t* source, uint32_t level, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const std::wstring line = zeb::sys::FormatWindowsWide(format, args, zeb::sys::kMaxLineChars);
  va_end(args);
  zeb::sys::LogService::Instance().Deliver(source, level, line);
}

void ZEBMSGW(const wchar_t* source, const wchar_t* message) {
  std::wstring line(message ? message : L"");
  if (line.size() > zeb::sys::kMaxLineChars) line.resize(zeb::sys::kMaxLineChars);
  zeb::sys::LogService::Instance().Deliver(source, ZEB_INFO_TRACE, line);
}

void ZEB_SetLogSink(ZEBLogSink sink, void* context) {
  zeb::sys::LogService::Instance().SetSink(sink, context);
}

}  // extern "C"
