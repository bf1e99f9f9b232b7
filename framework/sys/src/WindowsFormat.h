// The framework's log formats carry their Windows meaning: in a wide format
// %s and %c take wide arguments and %S and %C narrow (UTF-8) ones; h forces
// narrow, l and w force wide. This is the one place that knows it.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace zeb::sys {

// Formats into at most `limit` characters; output past the limit is cut off.
// Never fails: unknown conversions are copied through as written, %n stores
// nothing, and null string arguments print "(null)".
std::wstring FormatWindowsWide(const wchar_t* format, va_list args, size_t limit);

}  // namespace zeb::sys
