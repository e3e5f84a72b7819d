// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "UpdaterController.h"

#include "DefaultsDomain.h"
#include "UserDriver.h"

UpdaterController::UpdaterController(bool startingUpdater, std::unique_ptr<UserDriver> userDriver,
                                     std::shared_ptr<DefaultsDomain> defaults, const QVariantMap& info,
                                     Workspace& workspace, Updater::Options options, QObject* parent)
    : QObject(parent)
    , m_updater(
          new Updater(std::move(userDriver), std::move(defaults), info, workspace, std::move(options), this))
{
    if (startingUpdater)
        m_updater->start();
}

bool UpdaterController::startUpdater()
{
    return m_updater->start();
}
