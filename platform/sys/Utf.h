// Conversions between the three text forms the system meets: UTF-16 in the
// host's records, UTF-8 for system calls, wchar_t (UTF-32 here) for logs.
// Ill-formed input never fails: each maximal ill-formed subsequence becomes
// one U+FFFD, as the Unicode standard recommends.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zeb::sys {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf16ToWide(std::u16string_view text);
std::u16string WideToUtf16(std::wstring_view text);

// The number of UTF-16 units the text takes, the measure of path limits.
std::size_t Utf16Length(std::string_view utf8);
// The units of a fixed-size record field up to its first NUL, or all of
// them when the field is not terminated. A null field is empty.
std::u16string_view TerminatedView(const char16_t* units, std::size_t capacity);

}  // namespace zeb::sys
