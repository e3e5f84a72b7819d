#include "AppTableView.h"

#include "AppTableModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

AppTableView::AppTableView(QWidget* parent)
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
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeading | Qt::AlignVCenter);
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
    if (auto* table = qobject_cast<AppTableModel*>(model)) {
        connect(table, &AppTableModel::sortIndicatorChanged, this, &AppTableView::showSortIndicator);
        showSortIndicator();
    }
    for (const auto before :
         { &QAbstractItemModel::rowsAboutToBeRemoved, &QAbstractItemModel::rowsAboutToBeInserted })
        connect(model, before, this, &AppTableView::rememberPlace);
    for (const auto after : { &QAbstractItemModel::rowsRemoved, &QAbstractItemModel::rowsInserted })
        connect(model, after, this, &AppTableView::restorePlace);
    connect(model, &QAbstractItemModel::rowsAboutToBeMoved, this, &AppTableView::rememberPlace);
    connect(model, &QAbstractItemModel::rowsMoved, this, &AppTableView::restorePlace);
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, &AppTableView::rememberPlace);
    connect(model, &QAbstractItemModel::layoutChanged, this, &AppTableView::restorePlace);
}

void AppTableView::showSortIndicator()
{
    const auto* table = static_cast<const AppTableModel*>(model());
    horizontalHeader()->setSortIndicator(table->sortColumn(), table->sortColumnOrder());
}

void AppTableView::rememberPlace()
{
    const QModelIndex current = currentIndex();
    const int top = rowAt(0);
    const bool currentShown = current.isValid() && rowViewportPosition(current.row()) >= 0
        && rowViewportPosition(current.row()) < viewport()->height();
    m_place = currentShown ? current : model()->index(top, 0);
    m_placeY = m_place.isValid() ? rowViewportPosition(m_place.row()) : 0;
}

void AppTableView::restorePlace()
{
    if (!m_place.isValid())
        return;
    // The scroll range follows the new rows only once the view has laid them out.
    executeDelayedItemsLayout();
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + rowViewportPosition(m_place.row()) - m_placeY);
    m_place = QPersistentModelIndex();
}

QList<int> AppTableView::selectedRowsInOrder() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void AppTableView::contextMenuEvent(QContextMenuEvent* event)
{
    QList<int> rows;
    QPoint globalPos = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        // Mouse events arrive in viewport coordinates.
        const QModelIndex index = indexAt(event->pos());
        if (index.isValid()) {
            if (selectionModel() && selectionModel()->isRowSelected(index.row(), QModelIndex()))
                rows = selectedRowsInOrder();
            else
                rows = { index.row() };
        }
    } else {
        rows = selectedRowsInOrder();
        const QModelIndex current = currentIndex();
        if (rows.isEmpty() && current.isValid())
            rows = { current.row() };
        // Open the menu on the rows it acts on rather than wherever the pointer happens to be.
        const int anchorRow =
            current.isValid() && rows.contains(current.row()) ? current.row() : rows.value(0, -1);
        if (anchorRow >= 0) {
            const QModelIndex anchor = model()->index(anchorRow, current.isValid() ? current.column() : 0);
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
    QTableView::keyPressEvent(event);
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
