#include "EmptyStateView.h"

#include "AppModel.h"
#include "CommandNames.h"
#include "LabelColors.h"
#include "NotificationCenter.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QFont calloutFont(QFont font)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 0.92);
    return font;
}
} // namespace

EmptyStateView::EmptyStateView(const AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_message(new QLabel(this))
    , m_ignoredRow(new QWidget(this))
    , m_ignoredLabel(new QLabel(m_ignoredRow))
    , m_resetButton(new QPushButton(tr("Reset Ignore List"), m_ignoredRow))
{
    setObjectName(QStringLiteral("emptyState"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(m_message, 0, Qt::AlignHCenter);
    column->addWidget(m_ignoredRow, 0, Qt::AlignHCenter);

    auto* row = new QHBoxLayout(m_ignoredRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(m_ignoredLabel, 0, Qt::AlignVCenter);
    row->addWidget(m_resetButton, 0, Qt::AlignVCenter);

    m_message->setObjectName(QStringLiteral("emptyStateMessage"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setAlignment(Qt::AlignCenter);
    LabelColors::apply(m_message, LabelColors::Level::Secondary);

    m_ignoredLabel->setObjectName(QStringLiteral("emptyStateIgnored"));
    m_ignoredLabel->setTextFormat(Qt::PlainText);
    m_ignoredLabel->setFont(calloutFont(m_ignoredLabel->font()));
    LabelColors::apply(m_ignoredLabel, LabelColors::Level::Secondary);

    // A link-like text button: no bezel, underlined, in the secondary colour. A flat button
    // rather than a style sheet, which would pin its colours to the theme it was made in.
    m_resetButton->setObjectName(QStringLiteral("resetIgnoreListButton"));
    m_resetButton->setAccessibleName(tr("Reset Ignore List"));
    m_resetButton->setFlat(true);
    m_resetButton->setCursor(Qt::PointingHandCursor);
    QFont underlined = calloutFont(m_resetButton->font());
    underlined.setUnderline(true);
    m_resetButton->setFont(underlined);
    LabelColors::apply(m_resetButton, LabelColors::Level::Secondary);
    connect(m_resetButton, &QPushButton::clicked, this,
            [] { NotificationCenter::defaultCenter().post(CommandNames::resetIgnoreListRequested()); });

    parent->installEventFilter(this);
    hide();
}

void EmptyStateView::refresh(bool tableIsEmpty)
{
    if (!tableIsEmpty) {
        hide();
        return;
    }
    const qsizetype ignoredCount = m_model.ignoredIDs().size();
    if (m_model.showingIgnored()) {
        m_message->setText(tr("No ignored apps."));
        m_ignoredRow->hide();
    } else {
        m_message->setText(tr("No App Store apps found."));
        if (ignoredCount > 0) {
            const QString noun = ignoredCount == 1 ? tr("app") : tr("apps");
            m_ignoredLabel->setText(tr("%1 %2 ignored.").arg(ignoredCount).arg(noun));
            m_ignoredRow->show();
        } else {
            m_ignoredRow->hide();
        }
    }
    show();
    raise();
    recentre();
}

QString EmptyStateView::messageText() const
{
    return m_message->text();
}

QString EmptyStateView::ignoredText() const
{
    return m_ignoredRow->isHidden() ? QString() : m_ignoredLabel->text();
}

bool EmptyStateView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        recentre();
    return QWidget::eventFilter(watched, event);
}

void EmptyStateView::recentre()
{
    auto* container = parentWidget();
    if (!container)
        return;
    adjustSize();
    QRect area(QPoint(0, 0), size());
    area.moveCenter(container->rect().center());
    move(area.topLeft());
}
