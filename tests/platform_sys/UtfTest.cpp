// Ill-formed text in every conversion: one replacement per maximal subpart,
// unpaired surrogates, values past U+10FFFF, terminated views. Well-formed
// text round-trips through the paths and log lines of the other tests (an
// astral character in LocalPath and SysLog, Chinese in SysModule and LocalPath).
#include "platform/sys/Utf.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zeb::sys {
namespace {

constexpr char16_t R = 0xFFFD;

struct BadUtf8 {
  std::string name, bytes;
  std::u16string expected;
};

TEST(Utf, IllFormedUtf8BecomesOneReplacementPerMaximalSubpart) {
  const std::vector<BadUtf8> cases = {
      {"truncated at end", "a\xC3", {u'a', R}},
      {"truncated three-byte before ascii",
       "\xE2\x82"
       "A",
       {R, u'A'}},
      {"lone continuation",
       "a\x80"
       "b",
       {u'a', R, u'b'}},
      {"overlong slash", "\xC0\xAF", {R, R}},
      {"encoded surrogate", "\xED\xA0\x80", {R, R, R}},
      {"above U+10FFFF", "\xF4\x90\x80\x80", {R, R, R, R}},
      {"never-valid bytes", "\xFE\xFF", {R, R}},
      {"valid after invalid", "\xFF\xC3\xA9", {R, 0x00E9}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8ToUtf16(c.bytes), c.expected);
    EXPECT_EQ(Utf16Length(c.bytes), c.expected.size());
  }
}

TEST(Utf, UnpairedSurrogatesAndOutOfRangeWideValuesAreReplaced) {
  const std::vector<std::pair<std::u16string, std::wstring>> utf16 = {
      {std::u16string{0xD800}, std::wstring{R}},
      {std::u16string{0xDC00, u'x'}, std::wstring{R, L'x'}},
      {std::u16string{0xD800, u'A'}, std::wstring{R, L'A'}},
      {std::u16string{0xD83D, 0xDE00, 0xD83D}, std::wstring{0x1F600, R}},
  };
  for (const auto& [in, expected] : utf16) EXPECT_EQ(Utf16ToWide(in), expected);

  const std::wstring wide = {wchar_t(0x110000), wchar_t(0xD800), wchar_t(-1), L'z'};
  EXPECT_EQ(WideToUtf16(wide), (std::u16string{R, R, R, u'z'}));
  EXPECT_EQ(WideToUtf8(wide), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDz");
}

TEST(Utf, TerminatedViewStopsAtNulOrCapacity) {
  const char16_t field[5] = {u'a', u'b', 0, u'c', u'd'};
  const char16_t full[2] = {u'x', u'y'};
  EXPECT_EQ(TerminatedView(field, 5), u"ab");
  EXPECT_EQ(TerminatedView(full, 2), u"xy");
  EXPECT_EQ(TerminatedView(field, 1), u"a");
  EXPECT_EQ(TerminatedView(field, 0), u"");
  EXPECT_EQ(TerminatedView(nullptr, 260), u"");
}

}  // namespace
}  // namespace zeb::sys
