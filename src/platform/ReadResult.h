// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <utility>

// How a read ended. Only Absent says that nothing is there: for a path, ENOENT with nothing at the
// path itself, or ENOTDIR (a file where a folder would be); for a daemon, nothing at its socket.
// Anything else that failed (a permission, an I/O error, a loop of links, a link whose target is
// missing, a file of another kind or size than asked for, a daemon that did not answer) is Failed:
// what it hides may well exist.
enum class ReadOutcome { Read, Absent, Failed };

// What a read gave, with how it ended, so that no caller has to ask for the second separately. It is
// the value's optional: a caller that needs only the value uses it as one. A read that worked can
// still give nothing (a file that holds no dictionary where one was asked for); its outcome is
// then Read.
template<typename T>
class ReadResult : public std::optional<T>
{
public:
    // Nothing read yet: as good as a failure.
    ReadResult() = default;
    ReadResult(T value)
        : std::optional<T>(std::move(value))
        , m_outcome(ReadOutcome::Read)
    { }
    ReadResult(ReadOutcome outcome)
        : m_outcome(outcome)
    { }
    ReadResult(std::optional<T> value, ReadOutcome outcome)
        : std::optional<T>(std::move(value))
        , m_outcome(outcome)
    { }

    ReadOutcome outcome() const { return m_outcome; }

private:
    ReadOutcome m_outcome = ReadOutcome::Failed;
};
