// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppTableView.h"

#include "AppTableDelegate.h"
#include "AppTableModel.h"
#include "VisibleAppsModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

AppTableView::AppTableView(VisibleAppsModel* rows, QWidget* parent)
    : QTableView(parent)
{
    setObjectName(QStringLiteral("applicationTable"));
    setAccessibleName(tr("Applications"));
    setSortingEnabled(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setTabKeyNavigation(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    // Cells that act on a click show it when the pointer is over them.
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeading | Qt::AlignVCenter);

    setModel(rows);
    auto* delegate = new AppTableDelegate(this);
    setItemDelegate(delegate);
    connect(delegate, &AppTableDelegate::openRequested, this, &AppTableView::openRequested);
    setIconSize(QSize(AppTableModel::IconSize, AppTableModel::IconSize));
    setUpHeaders(rows);
}

void AppTableView::setUpHeaders(VisibleAppsModel* rows)
{
    QHeaderView* header = horizontalHeader();
    header->setMinimumSectionSize(24);
    header->setSectionResizeMode(AppTableModel::IconColumn, QHeaderView::Fixed);
    header->resizeSection(AppTableModel::IconColumn, 32);
    header->setSectionResizeMode(AppTableModel::NameColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(AppTableModel::LastAccessedColumn, QHeaderView::Interactive);
    header->resizeSection(AppTableModel::LastAccessedColumn, 150);
    header->setSectionResizeMode(AppTableModel::AppStoreColumn, QHeaderView::Fixed);
    header->resizeSection(AppTableModel::AppStoreColumn, 72);
    header->setSectionResizeMode(AppTableModel::LastReviewedColumn, QHeaderView::Interactive);
    header->resizeSection(AppTableModel::LastReviewedColumn, 150);
    header->setSectionResizeMode(AppTableModel::RatingColumn, QHeaderView::Interactive);
    header->resizeSection(AppTableModel::RatingColumn,
                          qMax(header->sectionSizeHint(AppTableModel::RatingColumn), 90));
    // A date column never narrows past its title and sort indicator, nor past the dates it shows:
    // cut off, "Mar 3…" could be any day of the month.
    connect(header, &QHeaderView::sectionResized, this, [this, header](int section, int, int size) {
        if (section != AppTableModel::LastAccessedColumn && section != AppTableModel::LastReviewedColumn)
            return;
        const int least = qMax(header->sectionSizeHint(section), sizeHintForColumn(section));
        if (size < least)
            header->resizeSection(section, least);
    });
    QHeaderView* rowHeader = verticalHeader();
    rowHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowHeader->setDefaultSectionSize(qMax(AppTableModel::IconSize + 6, fontMetrics().height() + 10));
    // The header shows the catalogue's first comparator, whatever a click asked for.
    const auto showSortIndicator = [header, rows] {
        header->setSortIndicator(rows->sortIndicatorColumn(), rows->sortIndicatorOrder());
    };
    connect(rows, &VisibleAppsModel::sortIndicatorChanged, header, showSortIndicator);
    showSortIndicator();
}

void AppTableView::setModel(QAbstractItemModel* model)
{
    if (model == this->model())
        return;
    if (this->model())
        disconnect(this->model(), nullptr, this, nullptr);
    QTableView::setModel(model);
    if (!model)
        return;
    const auto restoreRows = [this] { restorePlace(false); };
    for (const auto before :
         { &QAbstractItemModel::rowsAboutToBeRemoved, &QAbstractItemModel::rowsAboutToBeInserted })
        connect(model, before, this, &AppTableView::rememberPlace);
    for (const auto after : { &QAbstractItemModel::rowsRemoved, &QAbstractItemModel::rowsInserted })
        connect(model, after, this, restoreRows);
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, &AppTableView::rememberPlace);
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { restorePlace(true); });
    // A new catalogue keeps the scrolled distance, which seldom ends between two rows.
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        executeDelayedItemsLayout();
        if (const int top = rowAt(0); top >= 0)
            verticalScrollBar()->setValue(verticalScrollBar()->value() + rowViewportPosition(top));
    });
}

bool AppTableView::isShown(const QModelIndex& index) const
{
    if (!index.isValid())
        return false;
    const int y = rowViewportPosition(index.row());
    return y >= 0 && y < viewport()->height();
}

void AppTableView::rememberPlace()
{
    const QModelIndex current = currentIndex();
    m_placeIsCurrent = isShown(current);
    m_place = m_placeIsCurrent ? current : model()->index(rowAt(0), 0);
    m_placeY = m_place.isValid() ? rowViewportPosition(m_place.row()) : 0;
    m_atTop = verticalScrollBar()->value() == verticalScrollBar()->minimum();
}

void AppTableView::restorePlace(bool sorted)
{
    const QPersistentModelIndex place = std::exchange(m_place, QPersistentModelIndex());
    // The scroll range follows the new rows only once the view has laid them out.
    executeDelayedItemsLayout();
    QScrollBar* bar = verticalScrollBar();
    if (sorted || !m_placeIsCurrent) {
        // A sort can move any row anywhere: following the one the user was at to its old height
        // would scroll the rest of the list away. A list at its top stays there, and the current
        // row comes into view where it has to.
        if (m_atTop)
            bar->setValue(bar->minimum());
        if (sorted) {
            if (m_placeIsCurrent && place.isValid())
                scrollTo(place, QAbstractItemView::EnsureVisible);
            return;
        }
        if (m_atTop)
            return;
    }
    if (place.isValid())
        bar->setValue(bar->value() + rowViewportPosition(place.row()) - m_placeY);
}

QModelIndexList AppTableView::selectedRowsInOrder() const
{
    QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    return rows;
}

void AppTableView::contextMenuEvent(QContextMenuEvent* event)
{
    QModelIndexList rows;
    QPoint globalPos = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        // Mouse events arrive in viewport coordinates.
        const QModelIndex index = indexAt(event->pos());
        if (index.isValid()) {
            if (selectionModel() && selectionModel()->isRowSelected(index.row(), QModelIndex()))
                rows = selectedRowsInOrder();
            else
                rows = { index.siblingAtColumn(0) };
        }
    } else {
        rows = selectedRowsInOrder();
        const QModelIndex current = currentIndex();
        if (rows.isEmpty() && current.isValid())
            rows = { current.siblingAtColumn(0) };
        // Open the menu on the rows it acts on rather than wherever the pointer happens to be.
        const bool onCurrent = current.isValid()
            && std::any_of(rows.cbegin(), rows.cend(),
                           [&](const QModelIndex& row) { return row.row() == current.row(); });
        const QModelIndex anchor = onCurrent ? current : rows.value(0);
        if (anchor.isValid()) {
            scrollTo(anchor);
            globalPos = viewport()->mapToGlobal(visualRect(anchor).center());
        }
    }
    event->accept();
    if (!rows.isEmpty())
        emit contextMenuRequested(rows, globalPos);
}

void AppTableView::keyPressEvent(QKeyEvent* event)
{
    // Shift+F10 is the menu key's stand-in on keyboards without one; the platform turns only the
    // menu key itself into a context-menu event.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos(),
                                    event->modifiers());
        contextMenuEvent(&menuEvent);
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier
        && currentIndex().isValid()) {
        event->accept();
        emit openRequested(currentIndex());
        return;
    }
    QTableView::keyPressEvent(event);
}

void AppTableView::focusInEvent(QFocusEvent* event)
{
    // Qt makes the first cell current when the focus arrives, without selecting it: a row that
    // looks picked, with a focus frame on one of its cells, that no command acts on. The first key
    // that moves picks a row instead.
    const bool hadCurrent = currentIndex().isValid();
    QTableView::focusInEvent(event);
    if (!hadCurrent && selectionModel() && currentIndex().isValid() && !selectionModel()->hasSelection())
        selectionModel()->clearCurrentIndex();
}

QModelIndex AppTableView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    // Rows are what the table holds: Home and End go to the first and last one, as in a list,
    // rather than to the first and last cell of the current row.
    if ((cursorAction == MoveHome || cursorAction == MoveEnd) && model() && model()->rowCount() > 0) {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        return model()->index(cursorAction == MoveHome ? 0 : model()->rowCount() - 1, column);
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

QItemSelectionModel::SelectionFlags AppTableView::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const
{
    // A right click opens the context menu for the clicked row without selecting it.
    if (event
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease
            || event->type() == QEvent::MouseButtonDblClick)
        && static_cast<const QMouseEvent*>(event)->button() == Qt::RightButton)
        return QItemSelectionModel::NoUpdate;
    return QTableView::selectionCommand(index, event);
}
