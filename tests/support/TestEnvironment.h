// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>

#include <ctime>
#include <memory>

// Every test process runs in a home folder of its own, removed at exit: HOME, the XDG folders and
// the Flatpak installations point into it. US English and UTC make date texts the same everywhere.
class TestEnvironment
{
public:
    static void setUp() // before the Qt application object exists
    {
        s_root = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kudora-test-XXXXXX"));
        // libflatpak and the flatpak tool read theirs once per process: the machine's own installations
        // are never seen, nor the applications its packages installed in its data folders.
        for (const QByteArray setting :
             { "HOME=home", "XDG_CONFIG_HOME=home/.config", "XDG_DATA_HOME=home/.local/share",
               "XDG_CACHE_HOME=home/.cache", "XDG_DATA_DIRS=system/share", "XDG_RUNTIME_DIR=runtime",
               "FLATPAK_USER_DIR=flatpak/user", "FLATPAK_SYSTEM_DIR=flatpak/system",
               "FLATPAK_CONFIG_DIR=flatpak/config" }) {
            const qsizetype split = setting.indexOf('=');
            const QString path = s_root->filePath(QString::fromLatin1(setting.mid(split + 1)));
            QDir().mkpath(path);
            qputenv(setting.left(split), QFile::encodeName(path));
        }
        QFile::setPermissions(s_root->filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("TZ", "UTC");
        tzset();
        // The language a test program runs in, US English unless its CTest entry names another.
        QByteArray language = qgetenv("KUDORA_TEST_LANG");
        if (language.isEmpty())
            language = "en_US.UTF-8";
        qputenv("LANG", language);
        for (const char* variable : { "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_TIME" })
            qunsetenv(variable);
        QLocale::setDefault(QLocale(QString::fromLatin1(language.left(language.indexOf('.')))));
    }
    static void tearDown() { s_root.reset(); }

    static QString homePath() { return QDir::homePath(); }
    static QString configPath() { return QFile::decodeName(qgetenv("XDG_CONFIG_HOME")); }
    static QString cachePath() { return QFile::decodeName(qgetenv("XDG_CACHE_HOME")); }

private:
    static inline std::unique_ptr<QTemporaryDir> s_root;
};
