// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutomaticChecksView.h"

#include "Updater.h"

#include <QAction>

AutomaticChecksView::AutomaticChecksView(Updater& updater, QObject* parent)
    : QObject(parent)
    , m_action(new QAction(tr("Check for Updates Au&tomatically"), this))
{
    m_action->setMenuRole(QAction::ApplicationSpecificRole);
    m_action->setCheckable(true);
    m_action->setChecked(updater.automaticallyChecksForUpdates());
    connect(&updater, &Updater::automaticallyChecksForUpdatesChanged, m_action, &QAction::setChecked);
    connect(m_action, &QAction::triggered, &updater, &Updater::setAutomaticallyChecksForUpdates);
}
