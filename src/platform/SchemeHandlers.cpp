// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SchemeHandlers.h"

#include "FileSystem.h"
#include "SafeFile.h"

#include <QStandardPaths>
#include <QStringList>

bool SchemeHandlers::isRegistered(const QString& scheme)
{
    // Where the freedesktop rules look for associations: the user's and the system's mimeapps.list
    // files and the caches of the applications folders, which list what each desktop entry handles.
    const QString key = QStringLiteral("x-scheme-handler/") + scheme + u'=';
    QStringList files;
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        files.append(FileSystem::joinPath(folder, QStringLiteral("mimeapps.list")));
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        files.append(FileSystem::joinPath(folder, QStringLiteral("mimeapps.list")));
        files.append(FileSystem::joinPath(folder, QStringLiteral("mimeinfo.cache")));
    }
    for (const QString& file : std::as_const(files)) {
        const std::optional<QByteArray> bytes = SafeFile::readRegularFile(file, 1024 * 1024);
        if (!bytes)
            continue;
        bool removed = false;
        for (const QByteArray& line : bytes->split('\n')) {
            const QString text = QString::fromUtf8(line).trimmed();
            if (text.startsWith(u'['))
                removed = text == u"[Removed Associations]";
            else if (!removed && text.startsWith(key)
                     && !QStringView(text).mid(key.size()).trimmed().isEmpty())
                return true;
        }
    }
    return false;
}
