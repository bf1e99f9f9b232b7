// UTF-32 (Linux wchar_t) <-> UTF-8, independent of the process locale so that
// log lines and module paths convert the same way in every host.
#pragma once

#include <string>
#include <string_view>

namespace zeb::sys {

// Invalid code points (surrogates, values past U+10FFFF) become U+FFFD.
std::string WideToUtf8(std::wstring_view text);

// Malformed byte sequences become U+FFFD, one per offending byte.
std::wstring Utf8ToWide(std::string_view text);

}  // namespace zeb::sys
