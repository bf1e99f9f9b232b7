#include "framework/sys/src/Unicode.h"

#include <cstdint>

namespace zeb::text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsScalarValue(char32_t c) { return c <= 0x10FFFF && !IsSurrogate(c); }

void AppendUtf8(std::string& out, char32_t c) {
    if (!IsScalarValue(c)) c = kReplacement;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
        return;
    }
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 | (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
}

// Length of the UTF-8 sequence that `lead` opens, or 0 when it cannot open one.
size_t SequenceLength(uint8_t lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Decodes the UTF-8 sequence at text[pos]; `used` receives the bytes consumed.
char32_t DecodeUtf8(std::string_view text, size_t pos, size_t& used) {
    const auto lead = static_cast<uint8_t>(text[pos]);
    const size_t length = SequenceLength(lead);
    used = 1;
    if (length == 0 || pos + length > text.size()) return kReplacement;
    if (length == 1) return lead;
    char32_t c = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<uint8_t>(text[pos + i]);
        if ((next & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || !IsScalarValue(c)) return kReplacement;
    used = length;
    return c;
}

// Decodes the UTF-16 unit or pair at text[pos]; `used` receives the units consumed.
char32_t DecodeUtf16(std::u16string_view text, size_t pos, size_t& used) {
    const char32_t first = text[pos];
    used = 1;
    if (!IsSurrogate(first)) return first;
    if (first >= 0xDC00 || pos + 1 >= text.size()) return kReplacement;
    const char32_t second = text[pos + 1];
    if (second < 0xDC00 || second > 0xDFFF) return kReplacement;
    used = 2;
    return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
}

}  // namespace

std::string ToUtf8(std::wstring_view utf32) {
    std::string out;
    out.reserve(utf32.size());
    for (wchar_t c : utf32) AppendUtf8(out, static_cast<char32_t>(c));
    return out;
}

std::string ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t pos = 0, used = 0; pos < utf16.size(); pos += used)
        AppendUtf8(out, DecodeUtf16(utf16, pos, used));
    return out;
}

std::wstring WideFromUtf8(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (size_t pos = 0, used = 0; pos < utf8.size(); pos += used)
        out.push_back(static_cast<wchar_t>(DecodeUtf8(utf8, pos, used)));
    return out;
}

std::u16string Utf16FromUtf8(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t pos = 0, used = 0; pos < utf8.size(); pos += used)
        AppendUtf16(out, DecodeUtf8(utf8, pos, used));
    return out;
}

}  // namespace zeb::text
