#include "core/QtLog.h"

#include <cstdarg>
#include <cwchar>
#include <string>

#include "platform/sys/Utf.h"

namespace {

// Longer than any trace of the reader; a path adds at most 255 units.
constexpr size_t kMessageUnits = 1024;

}  // namespace

void QtLogMessage(const wchar_t* format, ...) {
  wchar_t message[kMessageUnits];
  va_list args;
  va_start(args, format);
  const int written = std::vswprintf(message, kMessageUnits, format, args);
  va_end(args);
  if (written < 0) message[kMessageUnits - 1] = L'\0';
  ZEBMSGW(kQtLogSource, message);
}

void QtLogLibavLine(zeb::codec::LibavSeverity severity, const char* origin, const char* line) {
  std::string text8 = "libav";
  if (origin != nullptr && *origin != '\0') text8 += std::string(" ") + origin;
  text8 += std::string(": ") + (line != nullptr ? line : "");
  const std::wstring text = zeb::sys::Utf8ToWide(text8);
  if (severity == zeb::codec::LibavSeverity::kError) {
    QtLogError(text.c_str());
  } else {
    QtLogTrace(text.c_str());
  }
}
