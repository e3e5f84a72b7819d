// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <functional>

// Runs the steps of a loop on a few threads of its own, which it starts for the call and joins
// before it returns. Nothing is shared with the global thread pool, so a loop held up by a hung
// network folder keeps no other part of the program (nor its exit) waiting.
class ParallelLoop
{
public:
    // The most threads a loop uses, the calling one included: the machine's cores, within a cap,
    // since more threads than cores reading files only contend.
    static int maximumThreads();

    // Calls step(i) once for every i in [0, count), on up to maximumThreads() threads, the calling
    // thread among them, in no particular order; returns when every step has returned. A thread is
    // started only for every stepsPerThread steps, as a thread costs more than a few short steps.
    // When no thread can be started, every step runs on the calling thread. Steps must not throw.
    static void run(qsizetype count, qsizetype stepsPerThread, const std::function<void(qsizetype)>& step);
};
