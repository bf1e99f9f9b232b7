#include "platform/codec/LibavLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace zeb::codec {

namespace {

std::atomic<LibavLogSink> g_sink{nullptr};

LibavSeverity SeverityOf(int level) {
  if (level <= AV_LOG_ERROR) return LibavSeverity::kError;
  return level <= AV_LOG_WARNING ? LibavSeverity::kWarning : LibavSeverity::kInfo;
}

const char* OriginOf(void* object) {
  if (object == nullptr) return "";
  const AVClass* avClass = *static_cast<const AVClass* const*>(object);
  return avClass != nullptr && avClass->item_name != nullptr ? avClass->item_name(object) : "";
}

// libav may send one line in several calls; each thread gathers its own
// until the newline.
void Forward(void* object, int level, const char* format, va_list arguments) {
  if (level > AV_LOG_INFO) return;
  const LibavLogSink sink = g_sink.load(std::memory_order_acquire);
  if (sink == nullptr) return;
  thread_local std::string pending;
  char text[1024];
  va_list copy;
  va_copy(copy, arguments);
  const int written = std::vsnprintf(text, sizeof text, format, copy);
  va_end(copy);
  if (written < 0) return;
  pending += text;
  if (pending.empty() || pending.back() != '\n') return;
  while (!pending.empty() && (pending.back() == '\n' || pending.back() == '\r')) {
    pending.pop_back();
  }
  if (!pending.empty()) sink(SeverityOf(level), OriginOf(object), pending.c_str());
  pending.clear();
}

}  // namespace

void RouteLibavLog(LibavLogSink sink) {
  static std::once_flag installed;
  g_sink.store(sink, std::memory_order_release);
  std::call_once(installed, [] { av_log_set_callback(Forward); });
}

}  // namespace zeb::codec
