// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

// The user's own review of an application on the ratings service: only what Kudora shows of it.
struct OnlineReview
{
    // When it was written, in UTC, to the millisecond.
    QDateTime date;
    // 1 to 100, as the service keeps it; the stars are rating / 20.
    int rating = 0;
    QString summary;

    friend bool operator==(const OnlineReview&, const OnlineReview&) = default;
};
