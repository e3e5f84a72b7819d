#pragma once

#include <QList>
#include <QPersistentModelIndex>
#include <QTableView>

// The application table. Its header sorts through the model, whose sort order may differ from
// what a click asked for; a right click never changes the selection; a context menu, from the
// mouse or the keyboard, is reported with the rows it is meant for; and when rows move, leave or
// arrive, the row the user was at stays where it was on screen.
class AppTableView : public QTableView
{
    Q_OBJECT

public:
    explicit AppTableView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

signals:
    // rows in table order; never empty.
    void contextMenuRequested(const QList<int>& rows, const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    QList<int> selectedRowsInOrder() const;
    void showSortIndicator();
    void rememberPlace();
    void restorePlace();

    // The row the user is at (the current one when on screen, else the topmost shown) and where
    // on screen it was before the model changed.
    QPersistentModelIndex m_place;
    int m_placeY = 0;
};
