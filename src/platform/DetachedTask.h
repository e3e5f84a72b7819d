// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QObject>

#include <functional>
#include <type_traits>
#include <utility>

// Runs a piece of work on a thread of its own that nothing waits for: neither the application
// object nor the global thread pool at exit. A scan held up by a hung network folder then cannot keep
// the program alive after its last window closed.
//
// The work must hold only its own copies, since it may still run while the program tears down.
// Its result reaches the receiver, on the receiver's thread, only if the receiver still lives then;
// otherwise it is dropped on the worker thread.
class DetachedTask
{
public:
    // Starts work() on a new thread; when it returns, done(result) runs on receiver's thread unless
    // receiver has been destroyed by then. False when no thread could be started: nothing runs.
    template<typename Work, typename Done>
    static bool run(QObject* receiver, Work work, Done done)
    {
        return start(receiver, [work = std::move(work), done = std::move(done)]() mutable -> Delivery {
            return [done = std::move(done), result = work()]() mutable { done(std::move(result)); };
        });
    }

    // Waits until every started task has ended, or until deadline; true when none runs.
    static bool waitForAll(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));

    // For the end of main(), after the application object is gone. While a task still runs, ends the
    // process at once with exitCode: exit() would destroy static objects, Qt's included, under the
    // running task, and the task's result has nobody left to go to. Returns when no task runs, for the
    // process to end as usual.
    static void exitIfRunning(int exitCode);

private:
    using Delivery = std::function<void()>;
    static bool start(QObject* receiver, std::function<Delivery()> work);
};
