#include "core/QtLog.h"

#include <cstdarg>
#include <cwchar>

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
