// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppId.h"
#include "AppInfo.h"
#include "SortComparator.h"

#include <QList>
#include <QLocale>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

// Which records of a catalogue the user sees, and in what order: the search, then the ignore
// filter, then the sort order, over the records by their position in the list it was given. Keeps,
// per record, the forms that search, filter and sort compare, so that a view filtering and sorting
// thousands of rows folds and collates nothing but the query. The order is total: records equal
// under every comparator keep their order in the list, as a stable sort does.
class VisibleOrder
{
public:
    // The records at their positions; every earlier position means another record from now on.
    void setApps(const QList<AppInfo>& apps);
    // The record at index is app from now on.
    void setApp(qsizetype index, const AppInfo& app);
    // The records from first on move up by count, the ones before them gone; apps come after the last.
    void removeApps(qsizetype first, qsizetype count);
    void appendApps(const QList<AppInfo>& apps);

    // Each setter returns whether the value changed.
    const QString& searchQuery() const { return m_searchQuery; }
    bool setSearchQuery(const QString& query);
    bool showingIgnored() const { return m_showingIgnored; }
    bool setShowingIgnored(bool showingIgnored);
    const QSet<AppId>& ignoredIDs() const { return m_ignoredIDs; }
    bool setIgnoredIDs(QSet<AppId> ignoredIDs);
    const SortOrder& sortOrder() const { return m_sortOrder; }
    bool setSortOrder(const SortOrder& sortOrder);

    // Whether the record at index passes the search and the ignore filter; false outside the list.
    bool isVisible(qsizetype index) const;
    // Whether the record at a comes before the one at b.
    bool sortsBefore(qsizetype a, qsizetype b) const;
    // The positions of the visible records, in order.
    QList<qsizetype> visibleIndexes() const;

private:
    struct RecordKeys
    {
        AppId id;
        QString name;
        QString foldedName;
        QString foldedID;
        SortComparator::Keys sort;
    };

    RecordKeys keysOf(const AppInfo& app) const;
    // Folds again what the user's locale, changed since, would fold otherwise.
    void ensureLocale() const;
    void ensureNameKeys() const;
    bool sortsByName() const;
    bool passes(qsizetype index) const;
    bool lessThan(qsizetype a, qsizetype b) const;

    QString m_searchQuery;
    bool m_showingIgnored = false;
    QSet<AppId> m_ignoredIDs;
    SortOrder m_sortOrder { SortComparator(SortComparator::Key::LastAccessedSortDate, Qt::DescendingOrder) };

    // Asked once per record while a view filters and once per comparison while it sorts: the
    // checks that keep these current must stay cheap.
    mutable std::vector<RecordKeys> m_records;
    mutable QLocale m_locale;
    mutable std::optional<QString> m_foldedQuery;
    // Collation keys cost more than everything else together, and only a sort by name needs them.
    mutable bool m_hasNameKeys = false;
};
