// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderWatcher.h"

#include <QDir>
#include <QFileInfo>

FolderWatcher::FolderWatcher(const QStringList& folders, std::chrono::milliseconds settleTime,
                             QObject* parent)
    : QObject(parent)
{
    for (const QString& folder : folders) {
        const QString clean = QDir::cleanPath(folder);
        if (!clean.isEmpty() && !m_folders.contains(clean))
            m_folders.append(clean);
    }
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleTime);
    connect(&m_settle, &QTimer::timeout, this, &FolderWatcher::settled);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FolderWatcher::changed);
    watch();
}

bool FolderWatcher::watch()
{
    QSet<QString> present, wanted;
    for (const QString& folder : std::as_const(m_folders)) {
        QString nearest = folder;
        while (!QFileInfo(nearest).isDir()) {
            const QString above = QFileInfo(nearest).path();
            if (above == nearest)
                break;
            nearest = above;
        }
        if (nearest == folder)
            present.insert(folder);
        wanted.insert(nearest);
    }
    // The watcher forgets a folder that was removed; one that is back, or a new folder in its place,
    // is added again here.
    const QStringList watched = m_watcher.directories();
    QStringList unwanted;
    for (const QString& path : watched) {
        if (!wanted.remove(path))
            unwanted.append(path);
    }
    if (!unwanted.isEmpty())
        m_watcher.removePaths(unwanted);
    // A folder that cannot be watched (no permission, no watches left) is refreshed only by hand.
    if (!wanted.isEmpty())
        m_watcher.addPaths(wanted.values());
    if (present == m_present)
        return false;
    m_present = std::move(present);
    return true;
}

void FolderWatcher::changed(const QString& path)
{
    // Above a folder that is not there, only the folder's coming counts: the home folder, say,
    // changes all the time.
    if (watch() || m_folders.contains(path))
        m_settle.start();
}
