// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "EmptyStateView.h"

#include "LabelColors.h"
#include "LinkButton.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
QFont calloutFont(QFont font)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 0.92);
    return font;
}
} // namespace

EmptyStateView::EmptyStateView(QWidget* parent)
    : QWidget(parent)
    , m_message(new QLabel(this))
    , m_ignoredRow(new QWidget(this))
    , m_ignoredLabel(new QLabel(m_ignoredRow))
    , m_resetButton(new LinkButton(m_ignoredRow))
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

    m_resetButton->setObjectName(QStringLiteral("resetIgnoreListButton"));
    m_resetButton->setText(tr("Reset Ignore List"));
    m_resetButton->setAccessibleName(tr("Reset Ignore List"));
    m_resetButton->setFont(calloutFont(m_resetButton->font()));
    LabelColors::apply(m_resetButton, LabelColors::Level::Secondary);

    parent->installEventFilter(this);
    hide();
}

void EmptyStateView::setTexts(const QString& message, const QString& ignoredNote)
{
    m_message->setText(message);
    m_ignoredLabel->setText(ignoredNote);
    m_ignoredRow->setVisible(!ignoredNote.isEmpty());
    recentre();
}

void EmptyStateView::setResetAction(QAction* action)
{
    // The button takes the action's title without its mnemonic.
    m_resetButton->setDefaultAction(action);
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
