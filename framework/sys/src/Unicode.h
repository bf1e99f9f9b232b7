// Conversions between UTF-8, UTF-16 and UTF-32 (Linux wchar_t), independent
// of the process locale so that log lines and paths convert the same way in
// every host. Shared by the framework modules as a static library.
#pragma once

#include <string>
#include <string_view>

namespace zeb::text {

// Invalid input never fails a conversion: surrogates and values past
// U+10FFFF in UTF-32, unpaired surrogates in UTF-16 and malformed UTF-8
// (one per offending byte) become U+FFFD.
std::string ToUtf8(std::wstring_view utf32);
std::string ToUtf8(std::u16string_view utf16);
std::wstring WideFromUtf8(std::string_view utf8);
std::u16string Utf16FromUtf8(std::string_view utf8);

}  // namespace zeb::text
