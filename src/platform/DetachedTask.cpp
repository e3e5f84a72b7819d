// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "DetachedTask.h"

#include <QMetaObject>

#include <condition_variable>
#include <cstdio>
#include <list>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

// Whether a task's receiver still lives, readable from the worker thread. The receiver's thread
// clears it while the receiver is being destroyed, under the lock that the worker holds while it
// posts the result; Qt then drops every event posted to the receiver, the result among them.
struct Handover
{
    std::mutex mutex;
    QObject* receiver = nullptr;
    QMetaObject::Connection watch;
};

struct Task
{
    std::thread thread;
    bool finished = false;
};

// Every task started and not yet joined. Created on first use and never destroyed: a task's thread
// may run after the end of main(), when static objects are destroyed.
struct Registry
{
    std::mutex mutex;
    std::condition_variable finished;
    std::list<Task> tasks;

    // Joins the threads whose work has ended, which takes no longer than their thread-local
    // clean-up. Called with the mutex held.
    void reapFinished()
    {
        for (auto it = tasks.begin(); it != tasks.end();) {
            if (it->finished) {
                it->thread.join();
                it = tasks.erase(it);
            } else {
                ++it;
            }
        }
    }

    bool anyRunning() const
    {
        for (const Task& task : tasks) {
            if (!task.finished)
                return true;
        }
        return false;
    }
};

Registry& registry()
{
    static Registry* const instance = new Registry;
    return *instance;
}

} // namespace

bool DetachedTask::start(QObject* receiver, std::function<Delivery()> work)
{
    auto handover = std::make_shared<Handover>();
    handover->receiver = receiver;
    // A direct connection: the slot runs inside the receiver's destructor, on its thread, before Qt
    // removes the events posted to it.
    handover->watch = QObject::connect(receiver, &QObject::destroyed, [handover] {
        const std::lock_guard lock(handover->mutex);
        handover->receiver = nullptr;
    });

    Registry& tasks = registry();
    const std::lock_guard lock(tasks.mutex);
    tasks.reapFinished();
    Task& task = tasks.tasks.emplace_back();
    try {
        task.thread = std::thread([&task, handover, work = std::move(work)]() mutable {
            {
                Delivery delivery = work();
                // The work's copies go on this thread, before the task counts as ended.
                work = nullptr;
                const std::lock_guard receiverLock(handover->mutex);
                if (handover->receiver) {
                    QMetaObject::invokeMethod(
                        handover->receiver,
                        [handover, delivery = std::move(delivery)] {
                            QObject::disconnect(handover->watch);
                            delivery();
                        },
                        Qt::QueuedConnection);
                }
            }
            handover.reset();
            Registry& all = registry();
            const std::lock_guard registryLock(all.mutex);
            task.finished = true;
            all.finished.notify_all();
        });
    } catch (const std::system_error&) {
        tasks.tasks.pop_back();
        QObject::disconnect(handover->watch);
        return false;
    }
    return true;
}

bool DetachedTask::waitForAll(QDeadlineTimer deadline)
{
    Registry& tasks = registry();
    std::unique_lock lock(tasks.mutex);
    const auto allEnded = [&tasks] { return !tasks.anyRunning(); };
    if (deadline.isForever())
        tasks.finished.wait(lock, allEnded);
    else
        tasks.finished.wait_until(lock, deadline.deadline<std::chrono::steady_clock>(), allEnded);
    tasks.reapFinished();
    return allEnded();
}

void DetachedTask::exitIfRunning(int exitCode)
{
    Registry& tasks = registry();
    const std::lock_guard lock(tasks.mutex);
    tasks.reapFinished();
    if (!tasks.anyRunning())
        return;
    std::fflush(nullptr);
    ::_exit(exitCode);
}
