#pragma once

#include <QList>
#include <QTableView>

// The application table. Sorting is left to the catalogue model (the header only reports
// clicks), a right click never changes the selection, and a context menu, from the mouse or the
// keyboard, is reported with the rows it is meant for.
class AppTableView : public QTableView
{
    Q_OBJECT

public:
    explicit AppTableView(QWidget* parent = nullptr);

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
};
