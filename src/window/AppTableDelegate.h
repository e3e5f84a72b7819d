#pragma once

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

// Draws the table's cells in their label colours, the icon centred in its column, and the
// "Open ↗" cell as a borderless button. The button reacts to a click that starts and ends on it
// and to Space or Select on the focused cell, and reports the row through openRequested().
class AppTableDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit AppTableDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    // Where the button sits inside a cell of the App Store column.
    QRect buttonRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;

signals:
    void openRequested(int row);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    void paintIcon(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    static void updateCell(const QStyleOptionViewItem& option);
    void paintButton(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    QPersistentModelIndex m_pressedButton;
};
