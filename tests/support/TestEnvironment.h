// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QTemporaryDir>

#include <memory>

// Every test process runs in a home folder of its own, removed at exit: HOME, the XDG folders and
// the Flatpak installations point into it. US English and UTC make date texts the same everywhere.
class TestEnvironment
{
public:
    static void setUp(); // before the Qt application object exists
    static void tearDown() { s_root.reset(); }

    static QString homePath() { return QDir::homePath(); }
    static QString configPath() { return QFile::decodeName(qgetenv("XDG_CONFIG_HOME")); }

private:
    static inline std::unique_ptr<QTemporaryDir> s_root;
};
