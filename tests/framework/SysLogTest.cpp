#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "framework/sys/include/ZEBSoftCodecSys.h"
#include "tests/host/LogCapture.h"

namespace {

constexpr wchar_t kSource[] = L"ZEBQTLib";

struct FormatCase {
  const char* name;
  std::function<void()> log;
  std::string expected;
};

// A trace line from the plug-in's own source, as most of the library logs.
#define TRACED(...) [] { ZEB_OutputW(kSource, 8, __VA_ARGS__); }

// The conversions the system's formats use, and what must never crash or
// write past the line: null strings, %n, unknown and dangling conversions,
// widths past the line, ill-formed text.
TEST(SysLog, FormatsReadAsWindowsMeant) {
  const FormatCase cases[] = {
      {"hex value",
       TRACED(L"QuickTime7.x version is not installed on this computer,version = 0x%x",
              0x07608000u),
       "QuickTime7.x version is not installed on this computer,version = 0x7608000"},
      {"four wide chars", TRACED(L"QuickTime--dwVideoFOURCC:'%c%c%c%c'", 'a', 'v', 'c', '1'),
       "QuickTime--dwVideoFOURCC:'avc1'"},
      {"narrow utf-8 through %S and %hs", TRACED(L"%S/%hs", "na\xC3\xAFve", "b"), "na\xC3\xAFve/b"},
      {"explicit wide forms", TRACED(L"%ls %ws %lc", L"a", L"b", L'c'), "a b c"},
      {"integers with flags", TRACED(L"%d|%5d|%-5d|%05d|%+i", -42, 7, 7, 42, 3),
       "-42|    7|7    |00042|+3"},
      {"length modifiers",
       TRACED(L"%u %X %llu %zu %I64d", 4000000000u, 0xBEEFu, 18446744073709551615ull, size_t{12},
              -5ll),
       "4000000000 BEEF 18446744073709551615 12 -5"},
      {"extreme star width", TRACED(L"[%*d]", INT32_MIN, 1), "[1" + std::string(4095, ' ') + "]"},
      {"literal percent", TRACED(L"100%% done"), "100% done"},
      {"null strings",
       TRACED(L"%s %S", static_cast<wchar_t*>(nullptr), static_cast<char*>(nullptr)),
       "(null) (null)"},
      {"unknown conversion copied", TRACED(L"%y %k", 1), "%y %k"},
      {"dangling percent copied", TRACED(L"end %"), "end %"},
      {"%n stores nothing",
       [] {
         int untouched = 77;
         ZEB_OutputW(kSource, 8, L"a%nb", &untouched);
         if (untouched != 77) std::abort();
       },
       "ab"},
      {"astral character", TRACED(L"%s", L"\U0001F600"), "\xF0\x9F\x98\x80"},
      {"surrogate code point replaced", TRACED(L"%c", 0xD800), "\xEF\xBF\xBD"},
      {"malformed utf-8 replaced",
       TRACED(L"%S",
              "a\xFF"
              "b"),
       "a\xEF\xBF\xBD"
       "b"},
      {"null format", TRACED(nullptr), ""},
      {"message kept verbatim",
       [] { ZEBMSGW(kSource, L"Align Quciktime Video and Audio frame\n"); },
       "Align Quciktime Video and Audio frame\n"},
      {"message percent not formatted", [] { ZEBMSGW(kSource, L"50%s %d"); }, "50%s %d"},
  };
  for (const FormatCase& c : cases) {
    LogCapture capture;
    c.log();
    ASSERT_EQ(capture.Lines().size(), 1u) << c.name;
    EXPECT_EQ(capture.Lines()[0].text, c.expected) << c.name;
    EXPECT_EQ(capture.Lines()[0].source, "ZEBQTLib") << c.name;
  }
}

TEST(SysLog, LevelsAndSources) {
  LogCapture capture;
  ZEB_OutputW(L"ZEBQTLib", ZEB_INFO_ERROR, L"%s", L"bad");
  ZEBMSGW(L"Qu\u00e9", L"trace");
  ZEB_OutputW(nullptr, ZEB_INFO_TRACE, L"x");
  const std::vector<LogLine> expected = {
      {"ZEBQTLib", 1, "bad"}, {"Qu\xC3\xA9", 8, "trace"}, {"", 8, "x"}};
  EXPECT_EQ(capture.Lines(), expected);
}

TEST(SysLog, OverlongLinesAreCutNotLost) {
  const std::wstring wide(100000, L'\u00e9');
  const std::string cut = [] {
    std::string s;
    for (int i = 0; i < 16384; ++i) s += "\xC3\xA9";
    return s;
  }();
  LogCapture capture;
  ZEB_OutputW(kSource, 1, L"%s", wide.c_str());
  ZEB_OutputW(kSource, 1, L"%s tail", wide.c_str());
  ZEBMSGW(kSource, wide.c_str());
  ZEB_OutputW(kSource, 1, L"%99999999d|", 5);
  ASSERT_EQ(capture.Lines().size(), 4u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(capture.Lines()[i].text, cut) << i;
  EXPECT_EQ(capture.Lines()[3].text, std::string(4095, ' ') + "5|");
}

// Runs `body` with stderr sent to a file and returns what was written.
std::string CaptureStderr(const std::function<void()>& body) {
  std::fflush(stderr);
  FILE* file = std::tmpfile();
  const int saved = dup(STDERR_FILENO);
  dup2(fileno(file), STDERR_FILENO);
  body();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(c));
  std::fclose(file);
  return text;
}

TEST(SysLog, SinkReplacementAndDefaultDestination) {
  LogCapture first;
  ZEB_OutputW(kSource, 1, L"one");
  {
    LogCapture second;
    ZEB_OutputW(kSource, 1, L"two");
    EXPECT_EQ(second.Lines().size(), 1u);
  }
  EXPECT_EQ(first.Lines().size(), 1u) << "a replaced sink gets nothing";

  const std::string written = CaptureStderr([] {
    ZEB_OutputW(kSource, ZEB_INFO_ERROR, L"%s", L"error，line");
    ZEB_OutputW(kSource, ZEB_INFO_TRACE, L"%s", L"trace line");
    ZEBMSGW(kSource, L"trace message\n");
    ZEB_OutputW(kSource, ZEB_INFO_ERROR, L"ends in newline\n");
  });
  EXPECT_EQ(written, "ZEBQTLib: error\xEF\xBC\x8Cline\nZEBQTLib: ends in newline\n");
}

struct ReentrantSink {
  int calls = 0;
  static void Receive(void* context, const char*, uint32_t, const char*) {
    auto* self = static_cast<ReentrantSink*>(context);
    ++self->calls;
    ZEB_OutputW(L"nested", ZEB_INFO_ERROR, L"from the sink");
    ZEB_SetLogSink(nullptr, nullptr);
  }
};

TEST(SysLog, SinkThatLogsDoesNotDeadlock) {
  ReentrantSink sink;
  ZEB_SetLogSink(&ReentrantSink::Receive, &sink);
  const std::string written = CaptureStderr([] { ZEB_OutputW(kSource, 8, L"outer"); });
  EXPECT_EQ(sink.calls, 1);
  EXPECT_EQ(written, "nested: from the sink\n");
  ZEB_OutputW(kSource, 8, L"again");
  EXPECT_EQ(sink.calls, 2) << "the sink stays installed";
  ZEB_SetLogSink(nullptr, nullptr);
}

// Takes no lock of its own: the service must hand it one line at a time.
struct UnlockedSink {
  std::vector<std::string> texts;
  static void Receive(void* context, const char*, uint32_t, const char* line) {
    static_cast<UnlockedSink*>(context)->texts.push_back(line);
  }
};

TEST(SysLogThreads, LinesFromManyThreadsArriveWholeAndInOrder) {
  constexpr int kThreads = 6, kLines = 400;
  UnlockedSink sink;
  ZEB_SetLogSink(&UnlockedSink::Receive, &sink);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i)
        ZEB_OutputW(L"ZEBQTLib", 8, L"thread %d，line %d %s", t, i, L"payload");
    });
  }
  for (std::thread& thread : threads) thread.join();
  ZEB_SetLogSink(nullptr, nullptr);

  ASSERT_EQ(sink.texts.size(), size_t{kThreads * kLines});
  std::vector<int> next(kThreads, 0);
  for (const std::string& text : sink.texts) {
    int t = -1, i = -1;
    ASSERT_EQ(std::sscanf(text.c_str(), "thread %d\xEF\xBC\x8Cline %d", &t, &i), 2) << text;
    ASSERT_TRUE(t >= 0 && t < kThreads);
    EXPECT_EQ(i, next[t]++) << "lines of one thread keep their order";
    EXPECT_EQ(text,
              "thread " + std::to_string(t) + "\xEF\xBC\x8Cline " + std::to_string(i) + " payload");
  }
}

TEST(SysLogThreads, SinkSwappedWhileOthersLog) {
  std::atomic<bool> stop{false};
  std::vector<std::thread> writers;
  for (int t = 0; t < 3; ++t) {
    writers.emplace_back([&stop] {
      while (!stop.load()) ZEB_OutputW(L"ZEBQTLib", 8, L"%s", L"busy");
    });
  }
  for (int round = 0; round < 200; ++round) {
    LogCapture capture;
    std::this_thread::yield();
  }
  stop = true;
  for (std::thread& thread : writers) thread.join();
}

}  // namespace
