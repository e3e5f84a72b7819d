// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

// Date texts in the user's locale (QLocale()) and time zone, formatted by ICU.
class DateTexts
{
public:
    // Medium date style, no time ("Dec 5, 2026" in US English), in the locale the user chose for
    // dates: LC_ALL, else LC_TIME, else LANG, as the C library reads them; the user's locale when
    // none of them names one ("C", "POSIX").
    static QString mediumDate(const QDateTime& date);

    // date relative to now with full unit names and named forms: the calendar difference in years,
    // months, weeks, days, hours, minutes and seconds, the first non-zero unit, truncated; "now"
    // when all are zero ("30 seconds ago", "yesterday", "last week", "in 2 hours").
    static QString relative(const QDateTime& date, const QDateTime& now);
};
