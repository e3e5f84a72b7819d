// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

// Draws the table's cells from the model's roles: texts in their label level's colour, the icon
// fitted and centred in its column at the screen's density, and the "Open ↗" cell as a link,
// underlined while the pointer is over it or holds it down. The whole link cell reacts to a click
// that starts and ends in it and to Space or Select while it is current, and asks to open its row.
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
    // A name cut off at the cell's end shows whole in the cell's tooltip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

signals:
    void openRequested(const QModelIndex& index);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    void paintIcon(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintLink(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    QPersistentModelIndex m_pressedLink;
};
