#include "AppTableDelegate.h"

#include "AppTableModel.h"
#include "LabelColors.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int ButtonHorizontalPadding = 6;
constexpr int ButtonVerticalPadding = 3;

QStyle* styleOf(const QStyleOptionViewItem& option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}
} // namespace

void AppTableDelegate::updateCell(const QStyleOptionViewItem& option)
{
    if (auto* view = qobject_cast<const QAbstractItemView*>(option.widget))
        view->viewport()->update(option.rect);
}

AppTableDelegate::AppTableDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{ }

void AppTableDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    // The widget's own palette decides the colours, not the application's default one. It is taken
    // before the base class lays the model's foreground over it: that one is faded already.
    const QPalette own = option->palette;
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant level = index.data(AppTableModel::LabelLevelRole);
    if (level.isValid()) {
        const QColor color = LabelColors::color(own, LabelColors::Level(level.toInt()));
        option->palette.setColor(QPalette::Text, color);
    }
}

void AppTableDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    switch (index.column()) {
    case AppTableModel::IconColumn:
        paintIcon(painter, option, index);
        break;
    case AppTableModel::AppStoreColumn:
        paintButton(painter, option, index);
        break;
    default:
        QStyledItemDelegate::paint(painter, option, index);
        break;
    }
}

void AppTableDelegate::paintIcon(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    // Only the cell's background and selection come from the style; the icon is fetched once, at
    // the painter's own pixel ratio.
    QStyleOptionViewItem background = option;
    background.features &= ~(QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay);
    background.icon = QIcon();
    background.text.clear();
    styleOf(option)->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);

    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const AppTableModel* model = qobject_cast<const AppTableModel*>(index.model());
    const AppInfo* app = model ? model->appAt(index.row()) : nullptr;
    if (!app)
        return;
    const QPixmap pixmap = model->iconPixmap(*app, ratio);
    const QSize size = pixmap.deviceIndependentSize().toSize();
    const QRect target(QPoint(option.rect.center().x() - size.width() / 2 + 1,
                              option.rect.center().y() - size.height() / 2 + 1),
                       size);
    painter->drawPixmap(target.topLeft(), pixmap);
}

QRect AppTableDelegate::buttonRect(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString title = index.data(Qt::DisplayRole).toString();
    const QFontMetrics metrics(option.font);
    QSize size(metrics.horizontalAdvance(title) + 2 * ButtonHorizontalPadding,
               metrics.height() + 2 * ButtonVerticalPadding);
    size = size.boundedTo(option.rect.size());
    QRect rect(QPoint(0, 0), size);
    rect.moveCenter(option.rect.center());
    return rect;
}

void AppTableDelegate::paintButton(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    const QString title = background.text;
    background.text.clear();
    QStyle* style = styleOf(option);
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);

    QStyleOptionButton button;
    button.initFrom(option.widget);
    button.rect = buttonRect(option, index);
    button.text = title;
    button.features = QStyleOptionButton::Flat;
    button.state = QStyle::State_Enabled;
    if (option.state & QStyle::State_Active)
        button.state |= QStyle::State_Active;
    const bool pressed = m_pressedButton.isValid() && m_pressedButton == index;
    button.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
    button.palette = option.palette;
    if (option.state & QStyle::State_Selected)
        button.palette.setColor(QPalette::ButtonText, option.palette.color(QPalette::HighlightedText));
    style->drawControl(QStyle::CE_PushButton, &button, painter, option.widget);
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
    if (index.column() != AppTableModel::AppStoreColumn)
        return QStyledItemDelegate::editorEvent(event, model, option, index);

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton
            || !buttonRect(option, index).contains(mouse->position().toPoint()))
            return false;
        // A press on the button is the button's, as on any push button: it does not select the row.
        // The second press of a double click only swallows the click, so that one double click
        // opens the page once; the view sends no release for it.
        if (event->type() == QEvent::MouseButtonPress) {
            m_pressedButton = index;
            updateCell(option);
        }
        return true;
    }
    case QEvent::MouseMove:
        // The release of a press that left the button's cell never reaches the delegate.
        if (m_pressedButton.isValid() && !(static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton)) {
            m_pressedButton = QPersistentModelIndex();
            updateCell(option);
        }
        return false;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !m_pressedButton.isValid())
            return false;
        const bool onButton =
            m_pressedButton == index && buttonRect(option, index).contains(mouse->position().toPoint());
        m_pressedButton = QPersistentModelIndex();
        updateCell(option);
        if (onButton)
            emit openRequested(index.row());
        return true;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Space && key->key() != Qt::Key_Select)
            || key->modifiers() != Qt::NoModifier)
            return false;
        emit openRequested(index.row());
        return true;
    }
    default:
        return false;
    }
}
