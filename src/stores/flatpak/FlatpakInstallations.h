// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Completeness.h"
#include "FileSystem.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The Flatpak installations of this system as the disk and the configuration describe them, found
// where FLATPAK_USER_DIR, FLATPAK_SYSTEM_DIR and FLATPAK_CONFIG_DIR say when set. Read without
// libflatpak, which would create a repository in an installation that has none.
class FlatpakInstallations
{
public:
    struct Installation
    {
        // Empty for the user's.
        QByteArray id;
        QString path;
        // Named in installations.d: a folder of its that is gone is more likely a disk not mounted
        // than an installation removed.
        bool configured = false;
    };

    // The user installation, the default system one, then each that installations.d configures in
    // the order of its files; the reads of that folder and its files are noted in completeness.
    static QList<Installation> configured(Completeness& completeness);

    // Whether installation holds a repository to list.
    static FileSystem::Outcome repositoryOf(const Installation& installation);

    // Whether any installation has a repository: Absent when none has, Failed when that could not
    // be told.
    static FileSystem::Outcome onDisk();
};
