// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QStringView>
#include <Qt>

class AppInfo;

// One sort key of AppInfo with a direction. Names compare by a locale-aware, case-insensitive
// collation that orders runs of digits by value; dates chronologically. Descending inverts the
// key comparison; equal keys stay equal.
class SortComparator
{
public:
    enum class Key { Name, LastAccessedSortDate, LastReviewedSortDate };

    constexpr SortComparator(Key key = Key::LastAccessedSortDate, Qt::SortOrder order = Qt::DescendingOrder)
        : m_key(key)
        , m_order(order)
    { }

    constexpr Key key() const { return m_key; }
    constexpr Qt::SortOrder order() const { return m_order; }

    // What a record sorts by, made once per record so that sorting compares only these. The name
    // key is valid only for the locale that was current when it was made.
    struct Keys
    {
        QByteArray name;
        qint64 lastAccessed = 0;
        qint64 lastReviewed = 0;
    };
    static Keys keysOf(const AppInfo& app);

    // Negative, zero or positive as a sorts before, with or after b under this comparator.
    int compare(const Keys& a, const Keys& b) const;
    int compare(const AppInfo& a, const AppInfo& b) const;
    // The same under a whole sort order: the first comparator that tells a and b apart decides.
    static int compare(const QList<SortComparator>& order, const Keys& a, const Keys& b);

    // A key whose byte order (QByteArray comparison) is the name collation of the user's current
    // locale, ascending.
    static QByteArray nameSortKey(QStringView name);
    // A key whose order is the chronological order of dates.
    static qint64 dateSortKey(const QDateTime& date);

    friend constexpr bool operator==(const SortComparator&, const SortComparator&) = default;

private:
    Key m_key;
    Qt::SortOrder m_order;
};

using SortOrder = QList<SortComparator>;

Q_DECLARE_METATYPE(SortComparator)
