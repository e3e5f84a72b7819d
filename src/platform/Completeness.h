// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ReadResult.h"

// Whether a scan saw everything that may hold installed applications. Only positive evidence that
// a thing is not there counts as its absence: every read a scan depends on is noted here, and one
// that Failed makes the scan incomplete, one that found nothing (Absent) does not. Every place
// where a scan turns incomplete goes through note().
class Completeness
{
public:
    void note(ReadOutcome outcome)
    {
        if (outcome == ReadOutcome::Failed)
            m_complete = false;
    }
    // Notes how read ended and passes it on.
    template<typename T>
    ReadResult<T> note(ReadResult<T> read)
    {
        note(read.outcome());
        return read;
    }
    // Notes a part of the scan that kept its own count.
    void note(const Completeness& part) { m_complete = m_complete && part.m_complete; }

    bool isComplete() const { return m_complete; }

private:
    bool m_complete = true;
};
