// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <compare>

// Orders version texts the way appcast feeds expect. A version is read as runs of digits, runs of
// other text and single separators (punctuation or white space). Numbers compare by value
// ("1.10" is newer than "1.9"), text runs compare by their characters, and where the kinds differ
// a number or separator wins over text, a number over a separator. When one version is the other
// with something appended, a number appended makes it newer ("1.0.1" after "1.0") and text makes it
// a pre-release of the shorter one ("1.0b1" before "1.0").
class VersionComparator
{
public:
    static std::weak_ordering compare(const QString& left, const QString& right);

    static bool isNewer(const QString& candidate, const QString& current)
    {
        return compare(candidate, current) == std::weak_ordering::greater;
    }
};
