// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParallelLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

TEST(ParallelLoop, RunsEveryStepOnceOnAtMostTheAllowedThreads)
{
    using Case = std::pair<qsizetype, qsizetype>; // steps, and steps worth a thread of its own
    for (const auto& [count, stepsPerThread] :
         { Case(0, 1), Case(1, 1), Case(31, 32), Case(64, 32), Case(1000, 1), Case(1000, 0) }) {
        SCOPED_TRACE(testing::Message() << count << " steps, " << stepsPerThread << " per thread");
        std::vector<std::atomic<int>> calls(static_cast<size_t>(count));
        std::mutex mutex;
        std::set<std::thread::id> threads;
        ParallelLoop::run(count, stepsPerThread, [&](qsizetype i) {
            ++calls.at(size_t(i));
            const std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
        });
        EXPECT_EQ(std::count(calls.cbegin(), calls.cend(), 1), count);
        EXPECT_LE(threads.size(), size_t(ParallelLoop::maximumThreads()));
        // Too few steps to be worth a second thread stay on the caller's.
        if (count > 0 && count < 2 * stepsPerThread) {
            EXPECT_EQ(threads, std::set { std::this_thread::get_id() });
        }
    }
}
