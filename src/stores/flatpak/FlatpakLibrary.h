// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Completeness.h"
#include "FileSystem.h"

#include <QList>
#include <QString>

class QLibrary;

// libflatpak, loaded when first asked for rather than linked: linking it would load some seventy
// libraries at every start of the program, before its window could show. Only the few entry points
// the catalogue needs are resolved. Thread-safe; the library, once loaded, stays loaded.
class FlatpakLibrary
{
public:
    // One installed application ref, as its installation describes it.
    struct InstalledApp
    {
        QString id;
        QString origin;
        QString deployDir;
        // The AppStream name the installation keeps for the ref; empty when it has none.
        QString appdataName;
        // Whether the ref is the application's current branch.
        bool current = false;
        // Whether the origin is a configured remote whose applications may be listed: a
        // sideloaded bundle's origin is marked not to be, and a removed remote lists nothing.
        bool enumerableOrigin = false;
        QString originURL;
        // 0 for the user installation, then 1, 2, ... for the system installations.
        int installation = 0;
        // The installation's id: empty for the user's, "default" for the default system one.
        QString installationID;
    };

    struct Listing
    {
        // The user installation's apps first, then each system installation's.
        QList<InstalledApp> apps;
        // Incomplete when an installation that may hold applications could not be opened or
        // listed, or an application's remote could not be looked up.
        Completeness completeness;
    };

    // The library in fileName (found as dlopen finds it), or null when it cannot be loaded or
    // lacks an entry point. Each file is tried once per process.
    static const FlatpakLibrary* load(const QString& fileName = QStringLiteral("libflatpak.so.0"));

    // The application refs (no runtimes or extensions) of the user installation and of every system
    // installation: the default one, then each that installations.d configures, found where
    // FLATPAK_USER_DIR, FLATPAK_SYSTEM_DIR and FLATPAK_CONFIG_DIR say when set. An installation
    // without a repository holds nothing and is never opened, since libflatpak would create one.
    // Only reads.
    Listing installedApps() const;

    struct Functions;

private:
    FlatpakLibrary(QLibrary* library, const Functions* functions);

    // Held so that the handle stays reachable; the library is never unloaded.
    QLibrary* m_library;
    const Functions* m_functions;
};
