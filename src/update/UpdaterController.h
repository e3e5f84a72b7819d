// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Updater.h"

#include <QObject>

#include <memory>

class DefaultsDomain;
class UserDriver;
class Workspace;

// Owns the program's one updater, with the user driver that shows its results. Created once at
// start-up and kept for the life of the process.
class UpdaterController : public QObject
{
    Q_OBJECT

public:
    // When startingUpdater is true the updater is started at once; otherwise startUpdater() does
    // it later. info and workspace are the updater's (see Updater).
    UpdaterController(bool startingUpdater, std::unique_ptr<UserDriver> userDriver,
                      std::shared_ptr<DefaultsDomain> defaults, const QVariantMap& info, Workspace& workspace,
                      Updater::Options options = {}, QObject* parent = nullptr);

    Updater* updater() const { return m_updater; }

    // Starts the updater if it is not started yet; false when it cannot start.
    bool startUpdater();

private:
    Updater* m_updater;
};
