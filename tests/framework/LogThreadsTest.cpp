#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "framework/sys/include/ZEBSoftCodecSys.h"
#include "tests/framework/LogCapture.h"

namespace {

// The sink itself takes no lock: the service must hand it one line at a time.
TEST(SysLogThreads, LinesFromManyThreadsArriveWholeAndInOrder) {
    constexpr int kThreads = 6;
    constexpr int kLines = 400;
    zeb::test::LogCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                ZEB_OutputW(L"ZEBQTLib", 8, L"thread %d，line %d %s", t, i, L"payload");
        });
    }
    for (std::thread& thread : threads) thread.join();

    ASSERT_EQ(capture.lines().size(), size_t{kThreads * kLines});
    std::vector<int> next(kThreads, 0);
    for (const zeb::test::LoggedLine& line : capture.lines()) {
        int t = -1;
        int i = -1;
        ASSERT_EQ(std::sscanf(line.text.c_str(), "thread %d\xEF\xBC\x8Cline %d", &t, &i), 2) << line.text;
        ASSERT_TRUE(t >= 0 && t < kThreads);
        EXPECT_EQ(i, next[t]++) << "lines of one thread keep their order";
        EXPECT_EQ(line.text, "thread " + std::to_string(t) + "\xEF\xBC\x8Cline " + std::to_string(i) + " payload");
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
        zeb::test::LogCapture capture;
        std::this_thread::yield();
    }
    stop = true;
    for (std::thread& thread : writers) thread.join();
}

}  // namespace
