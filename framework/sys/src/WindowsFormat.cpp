#include "framework/sys/src/WindowsFormat.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string_view>

#include "platform/sys/Utf.h"

namespace zeb::sys {
namespace {

// Widths and precisions beyond this are clamped, so one conversion cannot
// ask for an unbounded amount of memory.
constexpr int kMaxField = 4096;

enum class Length { kNone, kHH, kH, kL, kLL, kBigL, kJ, kZ, kT, kI32, kI64, kW };

struct Conversion {
  std::string flags;
  int width = -1;
  int precision = -1;
  Length length = Length::kNone;
  wchar_t code = 0;
};

class Formatter {
 public:
  Formatter(const wchar_t* format, va_list args, size_t limit) : format_(format), limit_(limit) {
    va_copy(args_, args);
  }
  ~Formatter() { va_end(args_); }
  Formatter(const Formatter&) = delete;
  Formatter& operator=(const Formatter&) = delete;

  std::wstring Run();

 private:
  bool Full() const { return out_.size() >= limit_; }
  void Append(std::wstring_view text);
  void AppendPadded(std::wstring_view text, const Conversion& conv);
  void AppendNarrowPrinted(const std::string& conversion_text, auto value);

  int ReadNumber(const wchar_t*& p);
  int ReadFieldValue(const wchar_t*& p);
  Length ReadLength(const wchar_t*& p);
  bool Parse(const wchar_t*& p, Conversion& conv);
  bool Emit(const Conversion& conv);

  void EmitString(const Conversion& conv);
  void EmitChar(const Conversion& conv);
  void EmitSigned(const Conversion& conv);
  void EmitUnsigned(const Conversion& conv);
  void EmitFloat(const Conversion& conv);
  void EmitPointer(const Conversion& conv);

  intmax_t FetchSigned(Length length);
  uintmax_t FetchUnsigned(Length length);
  static std::string NarrowSpec(const Conversion& conv, std::string_view length);
  static bool TakesNarrowText(const Conversion& conv);

  const wchar_t* format_;
  size_t limit_;
  va_list args_;
  std::wstring out_;
};

void Formatter::Append(std::wstring_view text) {
  if (Full()) return;
  out_.append(text.substr(0, limit_ - out_.size()));
}

void Formatter::AppendPadded(std::wstring_view text, const Conversion& conv) {
  const size_t width = conv.width > 0 ? static_cast<size_t>(conv.width) : 0;
  const std::wstring padding(width > text.size() ? width - text.size() : 0, L' ');
  const bool left = conv.flags.find('-') != std::string::npos;
  if (!left) Append(padding);
  Append(text);
  if (left) Append(padding);
}

// Numbers and pointers are ASCII, so the C library's narrow printf formats
// them and the result is widened.
void Formatter::AppendNarrowPrinted(const std::string& conversion_text, auto value) {
  const int needed = std::snprintf(nullptr, 0, conversion_text.c_str(), value);
  if (needed <= 0) return;
  std::string text(static_cast<size_t>(needed) + 1, '\0');
  std::snprintf(text.data(), text.size(), conversion_text.c_str(), value);
  text.resize(static_cast<size_t>(needed));
  Append(std::wstring(text.begin(), text.end()));
}

int Formatter::ReadNumber(const wchar_t*& p) {
  int value = 0;
  for (; *p >= L'0' && *p <= L'9'; ++p) value = std::min(value * 10 + (*p - L'0'), kMaxField);
  return value;
}

// A width or precision: digits, or '*' taking an int argument.
int Formatter::ReadFieldValue(const wchar_t*& p) {
  if (*p != L'*') return ReadNumber(p);
  ++p;
  return va_arg(args_, int);
}

Length Formatter::ReadLength(const wchar_t*& p) {
  struct Prefix {
    std::wstring_view text;
    Length length;
  };
  static constexpr Prefix kPrefixes[] = {
      {L"hh", Length::kHH},  {L"h", Length::kH},     {L"ll", Length::kLL},   {L"l", Length::kL},
      {L"L", Length::kBigL}, {L"q", Length::kLL},    {L"j", Length::kJ},     {L"z", Length::kZ},
      {L"t", Length::kT},    {L"I64", Length::kI64}, {L"I32", Length::kI32}, {L"I", Length::kZ},
      {L"w", Length::kW},
  };
  const std::wstring_view rest(p);
  for (const Prefix& prefix : kPrefixes) {
    if (rest.starts_with(prefix.text)) {
      p += prefix.text.size();
      return prefix.length;
    }
  }
  return Length::kNone;
}

// Parses what follows a '%'; false when the format ends mid-conversion.
bool Formatter::Parse(const wchar_t*& p, Conversion& conv) {
  for (; *p && std::wstring_view(L"-+ #0").find(*p) != std::wstring_view::npos; ++p)
    conv.flags.push_back(static_cast<char>(*p));
  conv.width = ReadFieldValue(p);
  if (conv.width < 0) {
    conv.flags.push_back('-');
    conv.width = conv.width < -kMaxField ? kMaxField : -conv.width;
  }
  conv.width = std::min(conv.width, kMaxField);
  if (*p == L'.') {
    ++p;
    conv.precision = std::min(ReadFieldValue(p), kMaxField);
  }
  conv.length = ReadLength(p);
  conv.code = *p;
  if (!*p) return false;
  ++p;
  return true;
}

std::string Formatter::NarrowSpec(const Conversion& conv, std::string_view length) {
  std::string conversion_text = "%" + conv.flags;
  if (conv.width > 0) conversion_text += std::to_string(conv.width);
  if (conv.precision >= 0) {
    conversion_text.push_back('.');
    conversion_text += std::to_string(conv.precision);
  }
  conversion_text += length;
  conversion_text.push_back(static_cast<char>(conv.code));
  return conversion_text;
}

bool Formatter::TakesNarrowText(const Conversion& conv) {
  if (conv.length == Length::kH) return true;
  if (conv.length == Length::kL || conv.length == Length::kW) return false;
  return conv.code == L'S' || conv.code == L'C';
}

void Formatter::EmitString(const Conversion& conv) {
  std::wstring text;
  if (TakesNarrowText(conv)) {
    const char* narrow = va_arg(args_, const char*);
    text = narrow ? zeb::sys::Utf8ToWide(narrow) : L"(null)";
  } else {
    const wchar_t* wide = va_arg(args_, const wchar_t*);
    text = wide ? wide : L"(null)";
  }
  if (conv.precision >= 0 && text.size() > static_cast<size_t>(conv.precision))
    text.resize(static_cast<size_t>(conv.precision));
  AppendPadded(text, conv);
}

void Formatter::EmitChar(const Conversion& conv) {
  const auto value = va_arg(args_, unsigned int);
  const std::wstring text = TakesNarrowText(conv)
                                ? zeb::sys::Utf8ToWide(std::string(1, static_cast<char>(value)))
                                : std::wstring(1, static_cast<wchar_t>(value));
  AppendPadded(text, conv);
}

intmax_t Formatter::FetchSigned(Length length) {
  switch (length) {
    case Length::kHH:
      return static_cast<signed char>(va_arg(args_, int));
    case Length::kH:
      return static_cast<short>(va_arg(args_, int));
    case Length::kL:
      return va_arg(args_, long);
    case Length::kLL:
    case Length::kBigL:
    case Length::kI64:
      return va_arg(args_, long long);
    case Length::kJ:
      return va_arg(args_, intmax_t);
    case Length::kZ:
    case Length::kT:
      return va_arg(args_, ptrdiff_t);
    default:
      return va_arg(args_, int);
  }
}

uintmax_t Formatter::FetchUnsigned(Length length) {
  switch (length) {
    case Length::kHH:
      return static_cast<unsigned char>(va_arg(args_, unsigned int));
    case Length::kH:
      return static_cast<unsigned short>(va_arg(args_, unsigned int));
    case Length::kL:
      return va_arg(args_, unsigned long);
    case Length::kLL:
    case Length::kBigL:
    case Length::kI64:
      return va_arg(args_, unsigned long long);
    case Length::kJ:
      return va_arg(args_, uintmax_t);
    case Length::kZ:
    case Length::kT:
      return va_arg(args_, size_t);
    default:
      return va_arg(args_, unsigned int);
  }
}

void Formatter::EmitSigned(const Conversion& conv) {
  AppendNarrowPrinted(NarrowSpec(conv, "j"), FetchSigned(conv.length));
}

void Formatter::EmitUnsigned(const Conversion& conv) {
  AppendNarrowPrinted(NarrowSpec(conv, "j"), FetchUnsigned(conv.length));
}

void Formatter::EmitFloat(const Conversion& conv) {
  if (conv.length == Length::kBigL)
    AppendNarrowPrinted(NarrowSpec(conv, "L"), va_arg(args_, long double));
  else
    AppendNarrowPrinted(NarrowSpec(conv, ""), va_arg(args_, double));
}

void Formatter::EmitPointer(const Conversion& conv) {
  AppendNarrowPrinted(NarrowSpec(conv, ""), va_arg(args_, void*));
}

// False for a conversion this formatter does not know; nothing is consumed then.
bool Formatter::Emit(const Conversion& conv) {
  switch (conv.code) {
    case L's':
    case L'S':
      EmitString(conv);
      break;
    case L'c':
    case L'C':
      EmitChar(conv);
      break;
    case L'd':
    case L'i':
      EmitSigned(conv);
      break;
    case L'u':
    case L'x':
    case L'X':
    case L'o':
      EmitUnsigned(conv);
      break;
    case L'e':
    case L'E':
    case L'f':
    case L'F':
    case L'g':
    case L'G':
    case L'a':
    case L'A':
      EmitFloat(conv);
      break;
    case L'p':
      EmitPointer(conv);
      break;
    case L'n':
      (void)va_arg(args_, void*);
      break;
    case L'%':
      Append(L"%");
      break;
    default:
      return false;
  }
  return true;
}

std::wstring Formatter::Run() {
  const wchar_t* p = format_;
  while (*p && !Full()) {
    const wchar_t* percent = std::wcschr(p, L'%');
    if (!percent) {
      Append(p);
      break;
    }
    Append(std::wstring_view(p, static_cast<size_t>(percent - p)));
    const wchar_t* start = percent;
    p = percent + 1;
    Conversion conv;
    if (!Parse(p, conv) || !Emit(conv))
      Append(std::wstring_view(start, static_cast<size_t>(p - start)));
  }
  return out_;
}

}  // namespace

std::wstring FormatWindowsWide(const wchar_t* format, va_list args, size_t limit) {
  if (!format) return {};
  return Formatter(format, args, limit).Run();
}

}  // namespace zeb::sys
