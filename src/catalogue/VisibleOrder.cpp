// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "VisibleOrder.h"

#include "TextSearch.h"

#include <algorithm>

void VisibleOrder::setApps(const QList<AppInfo>& apps)
{
    m_locale = QLocale();
    m_foldedQuery.reset();
    m_hasNameKeys = false;
    m_records.clear();
    appendApps(apps);
}

VisibleOrder::RecordKeys VisibleOrder::keysOf(const AppInfo& app) const
{
    RecordKeys keys;
    keys.id = app.id();
    keys.name = app.name();
    keys.foldedName = TextSearch::fold(app.name());
    keys.foldedID = TextSearch::fold(app.id().text());
    keys.sort.lastAccessed = SortComparator::dateSortKey(app.lastAccessedSortDate());
    keys.sort.lastReviewed = SortComparator::dateSortKey(app.lastReviewedSortDate());
    // The other records have theirs already.
    if (m_hasNameKeys)
        keys.sort.name = SortComparator::nameSortKey(keys.name);
    return keys;
}

void VisibleOrder::setApp(qsizetype index, const AppInfo& app)
{
    if (index >= 0 && size_t(index) < m_records.size())
        m_records[size_t(index)] = keysOf(app);
}

void VisibleOrder::removeApps(qsizetype first, qsizetype count)
{
    const auto begin = m_records.begin() + first;
    m_records.erase(begin, begin + count);
}

void VisibleOrder::appendApps(const QList<AppInfo>& apps)
{
    m_records.reserve(m_records.size() + size_t(apps.size()));
    for (const AppInfo& app : apps)
        m_records.push_back(keysOf(app));
}

bool VisibleOrder::setSearchQuery(const QString& query)
{
    // Exact comparison: a query that differs only in composition is still another text the user
    // typed, and the search field must see it echoed back.
    if (m_searchQuery == query)
        return false;
    m_searchQuery = query;
    m_foldedQuery.reset();
    return true;
}

bool VisibleOrder::setShowingIgnored(bool showingIgnored)
{
    if (m_showingIgnored == showingIgnored)
        return false;
    m_showingIgnored = showingIgnored;
    return true;
}

bool VisibleOrder::setIgnoredIDs(QSet<AppId> ignoredIDs)
{
    if (m_ignoredIDs == ignoredIDs)
        return false;
    m_ignoredIDs = std::move(ignoredIDs);
    return true;
}

bool VisibleOrder::setSortOrder(const SortOrder& sortOrder)
{
    if (m_sortOrder == sortOrder)
        return false;
    m_sortOrder = sortOrder;
    return true;
}

void VisibleOrder::ensureLocale() const
{
    const QLocale locale;
    if (m_locale != locale) {
        m_locale = locale;
        m_foldedQuery.reset();
        m_hasNameKeys = false;
        for (RecordKeys& keys : m_records) {
            keys.foldedName = TextSearch::fold(keys.name);
            keys.foldedID = TextSearch::fold(keys.id.text());
        }
    }
    if (!m_foldedQuery)
        m_foldedQuery = TextSearch::fold(m_searchQuery);
}

void VisibleOrder::ensureNameKeys() const
{
    if (m_hasNameKeys || !sortsByName())
        return;
    for (RecordKeys& keys : m_records)
        keys.sort.name = SortComparator::nameSortKey(keys.name);
    m_hasNameKeys = true;
}

bool VisibleOrder::sortsByName() const
{
    return std::any_of(m_sortOrder.cbegin(), m_sortOrder.cend(),
                       [](const SortComparator& c) { return c.key() == SortComparator::Key::Name; });
}

bool VisibleOrder::passes(qsizetype index) const
{
    const RecordKeys& keys = m_records[size_t(index)];
    if (!m_searchQuery.isEmpty() && !TextSearch::containsFolded(keys.foldedName, *m_foldedQuery)
        && !TextSearch::containsFolded(keys.foldedID, *m_foldedQuery))
        return false;
    return m_ignoredIDs.contains(keys.id) == m_showingIgnored;
}

bool VisibleOrder::lessThan(qsizetype a, qsizetype b) const
{
    const int result =
        SortComparator::compare(m_sortOrder, m_records[size_t(a)].sort, m_records[size_t(b)].sort);
    return result != 0 ? result < 0 : a < b;
}

bool VisibleOrder::isVisible(qsizetype index) const
{
    if (index < 0 || size_t(index) >= m_records.size())
        return false;
    ensureLocale();
    return passes(index);
}

bool VisibleOrder::sortsBefore(qsizetype a, qsizetype b) const
{
    ensureLocale();
    ensureNameKeys();
    return lessThan(a, b);
}

QList<qsizetype> VisibleOrder::visibleIndexes() const
{
    ensureLocale();
    QList<qsizetype> rows;
    rows.reserve(qsizetype(m_records.size()));
    for (qsizetype i = 0; i < qsizetype(m_records.size()); ++i) {
        if (passes(i))
            rows.append(i);
    }
    if (m_sortOrder.isEmpty())
        return rows;
    ensureNameKeys();
    std::sort(rows.begin(), rows.end(), [this](qsizetype a, qsizetype b) { return lessThan(a, b); });
    return rows;
}
