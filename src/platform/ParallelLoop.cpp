// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParallelLoop.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace {
constexpr int MaximumThreads = 4;
} // namespace

int ParallelLoop::maximumThreads()
{
    return std::clamp(QThread::idealThreadCount(), 1, MaximumThreads);
}

void ParallelLoop::run(qsizetype count, qsizetype stepsPerThread, const std::function<void(qsizetype)>& step)
{
    if (count <= 0)
        return;
    const qsizetype threads =
        std::clamp<qsizetype>(count / std::max<qsizetype>(stepsPerThread, 1), 1, maximumThreads());
    // Each thread takes the next step when it is free, so that a slow step (a large file, a slow
    // disk) holds up one thread while the others go on.
    std::atomic<qsizetype> next { 0 };
    const auto work = [&] {
        for (qsizetype i = next.fetch_add(1, std::memory_order_relaxed); i < count;
             i = next.fetch_add(1, std::memory_order_relaxed))
            step(i);
    };
    std::vector<std::thread> helpers;
    helpers.reserve(size_t(threads - 1));
    for (qsizetype t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            // Out of threads: the ones running, this one included, take the remaining steps.
            break;
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
}
