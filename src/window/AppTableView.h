// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QModelIndexList>
#include <QPersistentModelIndex>
#include <QTableView>

class VisibleAppsModel;

// The application table. A right click never changes the selection; a context menu, from the
// mouse or the keyboard, is reported with the rows it is meant for; Return and Enter ask to open
// the current row's page; Home and End go to the first and last row. When rows leave or arrive the
// row the user was at stays where it was on screen; when they are sorted, a list at its top stays
// at its top and the current row stays in view; a new catalogue shows whole rows from the top of
// the view. No row becomes current until the user picks one.
// The header shows the catalogue's sort order; a click on a row's "Open ↗" cell asks to open its
// page as Return does.
class AppTableView : public QTableView
{
    Q_OBJECT

public:
    // rows must outlive the view.
    explicit AppTableView(VisibleAppsModel* rows, QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

signals:
    // rows: an index of each row, in table order; never empty.
    void contextMenuRequested(const QModelIndexList& rows, const QPoint& globalPos);
    void openRequested(const QModelIndex& index);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    void setUpHeaders(VisibleAppsModel* rows);
    QModelIndexList selectedRowsInOrder() const;
    bool isShown(const QModelIndex& index) const;
    void rememberPlace();
    void restorePlace(bool sorted);

    // The row the user is at (the current one when on screen, else the topmost shown), where on
    // screen it was before the model changed, and whether the list was at its top.
    QPersistentModelIndex m_place;
    bool m_placeIsCurrent = false;
    int m_placeY = 0;
    bool m_atTop = false;
};
