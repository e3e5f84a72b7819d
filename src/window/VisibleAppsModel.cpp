// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "VisibleAppsModel.h"

#include "AppModel.h"
#include "AppTableModel.h"

VisibleAppsModel::VisibleAppsModel(AppModel& model, AppTableModel* table, QObject* parent)
    : QSortFilterProxyModel(parent)
    , m_model(model)
{
    setSourceModel(table);
    // The catalogue's order covers every column, and its direction is in its comparators: one
    // ascending sort on any column keeps the rows in it.
    QSortFilterProxyModel::sort(0, Qt::AscendingOrder);
    for (const auto filterInput :
         { &AppModel::searchQueryChanged, &AppModel::showingIgnoredChanged, &AppModel::ignoredIDsChanged })
        connect(&m_model, filterInput, this, &VisibleAppsModel::invalidateRowsFilter);
    connect(&m_model, &AppModel::sortOrderChanged, this, [this] {
        invalidate();
        emit sortIndicatorChanged();
    });
}

bool VisibleAppsModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    return !sourceParent.isValid() && m_model.visibleOrder().isVisible(sourceRow);
}

bool VisibleAppsModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    return m_model.visibleOrder().sortsBefore(left.row(), right.row());
}

void VisibleAppsModel::sort(int column, Qt::SortOrder order)
{
    if (const std::optional<SortComparator::Key> key = sortKey(column)) {
        const SortOrder& previous = m_model.sortOrder();
        SortComparator first(*key, order);
        if (previous.isEmpty() || previous.first().key() != *key) {
            for (const SortComparator& comparator : previous) {
                if (comparator.key() == *key) {
                    first = comparator;
                    break;
                }
            }
        }
        SortOrder next { first };
        for (const SortComparator& comparator : previous) {
            if (comparator.key() != *key)
                next.append(comparator);
        }
        m_model.setSortOrder(next);
    }
    // The header moved its indicator already, also on columns without a key and to an order the
    // catalogue may not have taken.
    emit sortIndicatorChanged();
}

int VisibleAppsModel::sortIndicatorColumn() const
{
    const SortOrder& order = m_model.sortOrder();
    return order.isEmpty() ? -1 : columnOf(order.first().key());
}

Qt::SortOrder VisibleAppsModel::sortIndicatorOrder() const
{
    const SortOrder& order = m_model.sortOrder();
    return order.isEmpty() ? Qt::AscendingOrder : order.first().order();
}

std::optional<SortComparator::Key> VisibleAppsModel::sortKey(int column)
{
    switch (column) {
    case AppTableModel::NameColumn:
        return SortComparator::Key::Name;
    case AppTableModel::LastAccessedColumn:
        return SortComparator::Key::LastAccessedSortDate;
    case AppTableModel::LastReviewedColumn:
        return SortComparator::Key::LastReviewedSortDate;
    default:
        return std::nullopt;
    }
}

int VisibleAppsModel::columnOf(SortComparator::Key key)
{
    switch (key) {
    case SortComparator::Key::Name:
        return AppTableModel::NameColumn;
    case SortComparator::Key::LastAccessedSortDate:
        return AppTableModel::LastAccessedColumn;
    case SortComparator::Key::LastReviewedSortDate:
        return AppTableModel::LastReviewedColumn;
    }
    return -1;
}
