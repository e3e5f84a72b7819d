// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusBar.h"

#include "LabelColors.h"

#include <QHBoxLayout>
#include <QLabel>

StatusBar::StatusBar(QWidget* parent)
    : QWidget(parent)
    , m_label(new QLabel(this))
{
    setObjectName(QStringLiteral("statusBar"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 5, 12, 5);
    layout->setSpacing(4);
    layout->addWidget(m_label, 0, Qt::AlignVCenter);
    layout->addStretch(1);

    m_label->setObjectName(QStringLiteral("statusLabel"));
    m_label->setTextFormat(Qt::PlainText);
    QFont caption = m_label->font();
    if (caption.pointSizeF() > 0)
        caption.setPointSizeF(caption.pointSizeF() * 0.85);
    m_label->setFont(caption);
    LabelColors::apply(m_label, LabelColors::Level::Secondary);
}

void StatusBar::setText(const QString& text)
{
    if (m_label->text() == text)
        return;
    m_label->setText(text);
    m_label->setAccessibleName(text);
}
