#include "ParallelLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

TEST(ParallelLoop, RunsEveryStepOnceOnAtMostTheAllowedThreads)
{
    struct Case
    {
        qsizetype count;
        qsizetype stepsPerThread;
    };
    for (const Case c : { Case { 0, 1 }, Case { 1, 1 }, Case { 31, 32 }, Case { 64, 32 }, Case { 1000, 1 },
                          Case { 1000, 0 } }) {
        SCOPED_TRACE(testing::Message() << c.count << " steps, " << c.stepsPerThread << " per thread");
        std::vector<std::atomic<int>> calls(size_t(c.count));
        std::mutex mutex;
        std::set<std::thread::id> threads;
        ParallelLoop::run(c.count, c.stepsPerThread, [&](qsizetype i) {
            ++calls.at(size_t(i));
            const std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
        });
        for (qsizetype i = 0; i < c.count; ++i)
            EXPECT_EQ(calls[size_t(i)], 1) << "step " << i;
        EXPECT_LE(threads.size(), size_t(ParallelLoop::maximumThreads()));
        // Too few steps to be worth a second thread stay on the caller's.
        if (c.count > 0 && c.count < 2 * c.stepsPerThread) {
            EXPECT_EQ(threads, std::set { std::this_thread::get_id() });
        }
    }
}
