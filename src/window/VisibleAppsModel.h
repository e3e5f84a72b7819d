// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SortComparator.h"

#include <QSortFilterProxyModel>

#include <optional>

class AppModel;
class AppTableModel;

// The rows of AppModel::visibleApps(), in its order, over the table of the whole catalogue: it
// filters with the catalogue's visibility rule and sorts with its prepared keys. A search, the
// show-ignored switch and the ignore list refilter it; a new sort order sorts it again; the rows a
// refresh adds, removes or changes find their places. Selections and current indexes of views
// therefore survive everything but a new catalogue.
class VisibleAppsModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    VisibleAppsModel(AppModel& model, AppTableModel* table, QObject* parent = nullptr);

    // A header click: the column's key becomes the catalogue's first comparator. The column that
    // is first already takes the order the header flipped to; a key further down the list keeps
    // its direction; a new key starts with the header's initial order (ascending for names, newest
    // first for dates). The other comparators follow in their previous order, so that rows that
    // tie on the new key keep the order they had. Columns without a key change nothing.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // Where the header's sort indicator belongs: the first comparator's column and direction, or
    // column -1 for an empty sort order.
    int sortIndicatorColumn() const;
    Qt::SortOrder sortIndicatorOrder() const;

    // The sort key a column's header stands for; none for the icon and store columns.
    static std::optional<SortComparator::Key> sortKey(int column);
    static int columnOf(SortComparator::Key key);

signals:
    // The catalogue's sort order changed, or a header click left it as it was: the header's
    // indicator is to show sortIndicatorColumn() again.
    void sortIndicatorChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    AppModel& m_model;
};
