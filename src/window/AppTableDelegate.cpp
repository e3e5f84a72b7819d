// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppTableDelegate.h"

#include "AppTableModel.h"
#include "LabelColors.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace {
QStyle* styleOf(const QStyleOptionViewItem& option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

QWidget* viewportOf(const QStyleOptionViewItem& option)
{
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    return view ? view->viewport() : nullptr;
}

void updateCell(const QStyleOptionViewItem& option)
{
    if (QWidget* viewport = viewportOf(option))
        viewport->update(option.rect);
}

// The cell's own background, selection and focus frame, as the style draws them, without content.
void paintBackground(QPainter* painter, QStyleOptionViewItem cell)
{
    cell.features &= ~(QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay);
    cell.icon = QIcon();
    cell.text.clear();
    styleOf(cell)->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
}

// icon scaled to fit a square of side device pixels, its shape kept: themes may offer only
// smaller sizes, and a high-density screen wants every one of its pixels.
QPixmap fitted(const QIcon& icon, int side, qreal ratio)
{
    QPixmap pixmap = icon.pixmap(QSize(AppTableModel::IconSize, AppTableModel::IconSize), ratio);
    if (pixmap.isNull())
        return pixmap;
    const QSize size = pixmap.size().scaled(side, side, Qt::KeepAspectRatio);
    if (pixmap.size() != size)
        pixmap = pixmap.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    pixmap.setDevicePixelRatio(1);
    return pixmap;
}
} // namespace

AppTableDelegate::AppTableDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{ }

void AppTableDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    // The widget's own palette decides the colours, not the application's default one.
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant level = index.data(AppTableModel::LabelLevelRole);
    if (level.isValid())
        option->palette.setColor(QPalette::Text,
                                 LabelColors::color(option->palette, LabelColors::Level(level.toInt())));
}

void AppTableDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    switch (index.column()) {
    case AppTableModel::IconColumn:
        paintIcon(painter, option, index);
        break;
    case AppTableModel::AppStoreColumn:
        paintLink(painter, option, index);
        break;
    default:
        QStyledItemDelegate::paint(painter, option, index);
        break;
    }
}

void AppTableDelegate::paintIcon(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    paintBackground(painter, option);
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    if (icon.isNull())
        return;
    // In device pixels at the painter's own ratio, so that centring does not round twice.
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const int side = qRound(AppTableModel::IconSize * ratio);
    const QPixmap pixmap = fitted(icon, side, ratio);
    if (pixmap.isNull())
        return;
    const QPointF centre = QPointF(option.rect.center()) + QPointF(1, 1);
    painter->save();
    painter->translate(centre);
    painter->scale(1 / ratio, 1 / ratio);
    painter->drawPixmap(-pixmap.width() / 2, -pixmap.height() / 2, pixmap);
    painter->restore();
}

void AppTableDelegate::paintLink(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    paintBackground(painter, cell);

    const bool pressed = m_pressedLink.isValid() && m_pressedLink == index;
    QFont font = cell.font;
    font.setUnderline(pressed || (cell.state & QStyle::State_MouseOver));
    // Link colours are made for the base colour; on a selected row the selection's text colour reads.
    const QPalette::ColorGroup group =
        cell.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    const QColor colour = cell.state & QStyle::State_Selected
        ? cell.palette.color(group, QPalette::HighlightedText)
        : cell.palette.color(group, pressed ? QPalette::LinkVisited : QPalette::Link);
    const QFontMetrics metrics(font);
    painter->save();
    painter->setFont(font);
    painter->setPen(colour);
    painter->drawText(cell.rect, Qt::AlignCenter,
                      metrics.elidedText(cell.text, Qt::ElideRight, cell.rect.width()));
    painter->restore();
}

QSize AppTableDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (index.column() == AppTableModel::IconColumn)
        size = size.expandedTo(QSize(AppTableModel::IconSize + 8, AppTableModel::IconSize + 4));
    return size;
}

bool AppTableDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                   const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const bool link = index.column() == AppTableModel::AppStoreColumn;
    if (event->type() == QEvent::MouseMove) {
        if (QWidget* viewport = viewportOf(option))
            link ? viewport->setCursor(Qt::PointingHandCursor) : viewport->unsetCursor();
    }
    if (!link)
        return QStyledItemDelegate::editorEvent(event, model, option, index);

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // A press on the link is the link's, as on any button: it does not select the row. The
        // second press of a double click only swallows the click, so that one double click opens
        // the page once; the view sends no release for it.
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        if (event->type() == QEvent::MouseButtonPress) {
            m_pressedLink = index;
            updateCell(option);
        }
        return true;
    case QEvent::MouseMove:
        // The release of a press that left the cell never reaches the delegate.
        if (m_pressedLink.isValid() && !(static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton)) {
            m_pressedLink = QPersistentModelIndex();
            updateCell(option);
        }
        return false;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !m_pressedLink.isValid())
            return false;
        const bool inCell = m_pressedLink == index && option.rect.contains(mouse->position().toPoint());
        m_pressedLink = QPersistentModelIndex();
        updateCell(option);
        if (inCell)
            emit openRequested(index);
        return true;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Space && key->key() != Qt::Key_Select)
            || key->modifiers() != Qt::NoModifier)
            return false;
        emit openRequested(index);
        return true;
    }
    default:
        return false;
    }
}

bool AppTableDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                 const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || index.column() != AppTableModel::NameColumn || !view)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    // The room the style gives the text, less the margins it draws it within.
    const QStyle* style = styleOf(cell);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, cell.widget) + 1;
    const int room =
        style->subElementRect(QStyle::SE_ItemViewItemText, &cell, cell.widget).width() - 2 * margin;
    if (cell.fontMetrics.horizontalAdvance(cell.text) <= room)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QToolTip::showText(event->globalPos(), index.data(AppTableModel::CutNameTipRole).toString(),
                       view->viewport(), option.rect);
    return true;
}
