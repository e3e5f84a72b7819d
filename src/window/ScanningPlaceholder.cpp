// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScanningPlaceholder.h"

#include "LabelColors.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

ScanningPlaceholder::ScanningPlaceholder(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("scanningPlaceholder"));

    auto* progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("scanningProgress"));
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    progress->setFixedWidth(160);
    progress->setAccessibleName(tr("Scanning Applications…"));
    auto* label = new QLabel(tr("Scanning Applications…"), this);
    label->setObjectName(QStringLiteral("scanningLabel"));
    LabelColors::apply(label, LabelColors::Level::Secondary);
    QFont callout = label->font();
    if (callout.pointSizeF() > 0)
        callout.setPointSizeF(callout.pointSizeF() * 0.92);
    label->setFont(callout);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->addStretch(1);
    layout->addWidget(progress, 0, Qt::AlignHCenter);
    layout->addWidget(label, 0, Qt::AlignHCenter);
    layout->addStretch(1);
}
