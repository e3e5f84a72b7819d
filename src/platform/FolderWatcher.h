// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <chrono>

// Tells, a moment after it last happened, that an entry came into or left one of a set of folders,
// or that one of them appeared or went. An installer writes a burst of files over a few seconds:
// each change waits for the burst to end, so that one burst makes one signal. A folder that is not
// there yet is waited for in the nearest folder above it that is; a folder removed, or replaced by
// a new one, is waited for and watched again.
class FolderWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds DefaultSettleTime { 1500 };

    // settleTime is how long the folders must stay unchanged before settled() follows.
    explicit FolderWatcher(const QStringList& folders,
                           std::chrono::milliseconds settleTime = DefaultSettleTime,
                           QObject* parent = nullptr);

signals:
    void settled();

private:
    // Watches each folder that is there and the nearest existing folder above each that is not;
    // returns whether the folders that are there changed since the last call.
    bool watch();
    void changed(const QString& path);

    QStringList m_folders;
    QSet<QString> m_present;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};
