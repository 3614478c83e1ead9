// Jobs made ahead on worker threads and taken in order: every result comes
// to its place once, whatever the number of workers, a job's failure comes
// back when its result is taken, at most a window of results waits to be
// taken, and a consumer that stops early leaves no worker behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ThreadSetting.h"
#include "WorkAhead.h"

namespace {

std::string Made(size_t index) { return "job " + std::to_string(index) + std::string(index % 7, '.'); }

}  // namespace

TEST(WorkAhead, EveryResultComesOnceAndInOrderWithAnyNumberOfWorkers) {
    for (unsigned workers : {0u, 1u, 3u}) {
        const size_t count = 2000;
        std::vector<std::atomic<int>> runs(count);
        npar::WorkAhead<std::string> ahead(
            count,
            [&runs](size_t index) {
                ++runs[index];
                return Made(index);
            },
            workers, 16);
        for (size_t i = 0; i < count; ++i) ASSERT_EQ(ahead.Take(i), Made(i)) << workers << " workers";
        for (size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i].load(), 1) << "job " << i;
    }
}

TEST(WorkAhead, AFailedJobThrowsWhenItsResultIsTaken) {
    npar::WorkAhead<std::string> ahead(
        50,
        [](size_t index) {
            if (index == 20) throw std::runtime_error("job 20 failed");
            return Made(index);
        },
        2, 8);
    for (size_t i = 0; i < 50; ++i) {
        if (i == 20) {
            EXPECT_THROW(ahead.Take(i), std::runtime_error);
            continue;
        }
        EXPECT_EQ(ahead.Take(i), Made(i));
    }
}

TEST(WorkAhead, NoMoreThanTheWindowIsMadeAheadAndAnEarlyStopJoinsTheWorkers) {
    std::atomic<size_t> started{0};
    {
        npar::WorkAhead<int> ahead(
            1000,
            [&started](size_t index) {
                ++started;
                return static_cast<int>(index);
            },
            3, 5);
        // However long the workers are given, they stop at the window.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_LE(started.load(), 5u);
        EXPECT_EQ(ahead.Take(0), 0);
        EXPECT_EQ(ahead.Take(1), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_LE(started.load(), 7u);
        // The rest is never taken: leaving the scope must not wait for it.
    }
    EXPECT_LE(started.load(), 7u);
}

TEST(WorkAhead, ThreadsComeFromTheSettingWhenItIsAValidCount) {
    {
        const ThreadSetting setting("3");
        EXPECT_EQ(npar::WorkThreads(), 3u);
    }
    unsigned machine = 0;
    {
        const ThreadSetting setting(nullptr);
        machine = npar::WorkThreads();
    }
    EXPECT_GE(machine, 1u);
    EXPECT_LE(machine, 8u);
    for (const char* invalid : {"0", "-2", "two", "4x", "", "65"}) {
        const ThreadSetting setting(invalid);
        EXPECT_EQ(npar::WorkThreads(), machine) << '"' << invalid << '"';
    }
}
