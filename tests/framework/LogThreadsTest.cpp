#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "framework/sys/include/ZEBSoftCodecSys.h"
#include "tests/host/LogCapture.h"

namespace {

// Takes no lock of its own: the service must hand it one line at a time.
struct UnlockedSink {
  std::vector<std::string> texts;
  static void Receive(void* context, const char*, uint32_t, const char* line) {
    static_cast<UnlockedSink*>(context)->texts.push_back(line);
  }
};

TEST(SysLogThreads, LinesFromManyThreadsArriveWholeAndInOrder) {
  constexpr int kThreads = 6;
  constexpr int kLines = 400;
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
    int t = -1;
    int i = -1;
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
