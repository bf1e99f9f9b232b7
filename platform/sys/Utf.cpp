#include "platform/sys/Utf.h"

#include <algorithm>

namespace zeb::sys {
namespace {

static_assert(sizeof(wchar_t) == 4, "wchar_t is expected to hold UTF-32");

constexpr char32_t kLargestCodePoint = 0x10FFFF;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

struct Utf8Lead {
  int trailing;        // continuation bytes that follow
  char32_t bits;       // payload of the lead byte
  unsigned char low;   // allowed range of the first continuation byte,
  unsigned char high;  // which excludes overlongs, surrogates and > U+10FFFF
};

bool ReadUtf8Lead(unsigned char b, Utf8Lead& lead) {
  if (b >= 0xC2 && b <= 0xDF)
    lead = {1, char32_t(b & 0x1F), 0x80, 0xBF};
  else if (b == 0xE0)
    lead = {2, char32_t(b & 0x0F), 0xA0, 0xBF};
  else if (b == 0xED)
    lead = {2, char32_t(b & 0x0F), 0x80, 0x9F};
  else if (b >= 0xE1 && b <= 0xEF)
    lead = {2, char32_t(b & 0x0F), 0x80, 0xBF};
  else if (b == 0xF0)
    lead = {3, char32_t(b & 0x07), 0x90, 0xBF};
  else if (b >= 0xF1 && b <= 0xF3)
    lead = {3, char32_t(b & 0x07), 0x80, 0xBF};
  else if (b == 0xF4)
    lead = {3, char32_t(b & 0x07), 0x80, 0x8F};
  else
    return false;
  return true;
}

// Each Decode reads one code point at i and moves i past what it consumed.
char32_t Decode(std::string_view s, std::size_t& i) {
  const auto first = static_cast<unsigned char>(s[i++]);
  if (first < 0x80) return first;
  Utf8Lead lead{};
  if (!ReadUtf8Lead(first, lead)) return kReplacementCharacter;
  char32_t c = lead.bits;
  unsigned char low = lead.low;
  unsigned char high = lead.high;
  for (int k = 0; k < lead.trailing; ++k) {
    if (i >= s.size()) return kReplacementCharacter;
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < low || b > high) return kReplacementCharacter;  // b starts the next sequence
    c = (c << 6) | (b & 0x3F);
    low = 0x80;
    high = 0xBF;
    ++i;
  }
  return c;
}

char32_t Decode(std::u16string_view s, std::size_t& i) {
  const char32_t unit = s[i++];
  if (!IsSurrogate(unit)) return unit;
  if (!IsHighSurrogate(unit) || i >= s.size() || !IsLowSurrogate(s[i])) {
    return kReplacementCharacter;
  }
  const char32_t low = s[i++];
  return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
}

char32_t Decode(std::wstring_view s, std::size_t& i) {
  const auto value = static_cast<std::int64_t>(s[i++]);
  if (value < 0 || value > kLargestCodePoint || IsSurrogate(char32_t(value))) {
    return kReplacementCharacter;
  }
  return char32_t(value);
}

void Append(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

void Append(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += char16_t(c);
  } else {
    out += char16_t(0xD800 + ((c - 0x10000) >> 10));
    out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

void Append(std::wstring& out, char32_t c) { out += wchar_t(c); }

template <class Out, class In>
Out Convert(In text) {
  Out out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) Append(out, Decode(text, i));
  return out;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) { return Convert<std::string>(text); }
std::u16string Utf8ToUtf16(std::string_view text) { return Convert<std::u16string>(text); }
std::wstring Utf8ToWide(std::string_view text) { return Convert<std::wstring>(text); }
std::string WideToUtf8(std::wstring_view text) { return Convert<std::string>(text); }
std::wstring Utf16ToWide(std::u16string_view text) { return Convert<std::wstring>(text); }
std::u16string WideToUtf16(std::wstring_view text) { return Convert<std::u16string>(text); }

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < utf8.size();) units += Decode(utf8, i) > 0xFFFF ? 2 : 1;
  return units;
}

std::u16string_view TerminatedView(const char16_t* units, std::size_t capacity) {
  if (units == nullptr) return {};
  return std::u16string_view(units, std::find(units, units + capacity, u'\0') - units);
}

}  // namespace zeb::sys
