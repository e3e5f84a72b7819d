#pragma once

#include <QList>
#include <QMetaType>
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
    {
    }

    constexpr Key key() const { return m_key; }
    constexpr Qt::SortOrder order() const { return m_order; }
    constexpr SortComparator reversed() const
    {
        return {m_key, m_order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder};
    }

    // Negative, zero or positive as a sorts before, with or after b under this comparator.
    int compare(const AppInfo& a, const AppInfo& b) const;

    friend constexpr bool operator==(const SortComparator&, const SortComparator&) = default;

private:
    Key m_key;
    Qt::SortOrder m_order;
};

using SortOrder = QList<SortComparator>;

Q_DECLARE_METATYPE(SortComparator)
