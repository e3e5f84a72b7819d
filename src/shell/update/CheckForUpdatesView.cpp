// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CheckForUpdatesView.h"

#include "CheckForUpdatesViewModel.h"
#include "Updater.h"

#include <QAction>
#include <QPointer>

CheckForUpdatesView::CheckForUpdatesView(Updater& updater, QObject* parent)
    : QObject(parent)
    , m_viewModel(new CheckForUpdatesViewModel(updater, this))
    , m_action(new QAction(tr("Check for &Updates…"), this))
{
    m_action->setMenuRole(QAction::ApplicationSpecificRole);
    m_action->setEnabled(m_viewModel->canCheckForUpdates());
    connect(m_viewModel, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, m_action,
            &QAction::setEnabled);
    connect(m_action, &QAction::triggered, this, [this, updater = QPointer<Updater>(&updater)] {
        if (updater && m_viewModel->canCheckForUpdates())
            updater->checkForUpdates();
    });
}
