// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Workspace.h"

#include <QCoreApplication>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

// Stands in for the desktop: records the addresses it is asked to open and opens none, answering
// on the next turn of the event loop, as a desktop's opener answers later, that it did when it has
// a handler for the address (https, and the schemes in handled) and does not refuse everything;
// it gives every file a red 64 × 32 icon, so that fitting and centring show.
class RecordingWorkspace : public Workspace
{
public:
    void openUrl(const QUrl& url, QObject* context, OpenCallback done) override
    {
        openedUrls.append(url);
        if (onOpen)
            onOpen();
        const bool opened = !refuses && handlesScheme(url.scheme());
        ++pending;
        QTimer::singleShot(0, &m_alive,
                           [this, opened, done, guard = QPointer(context), guarded = context != nullptr] {
                               --pending;
                               if (done && (!guarded || guard))
                                   done(opened);
                           });
    }
    bool handlesScheme(const QString& scheme) override
    {
        return scheme == u"https" || handled.contains(scheme);
    }
    QIcon iconForFile(const QString&) override
    {
        QPixmap pixmap(64, 32);
        pixmap.fill(Qt::red);
        return QIcon(pixmap);
    }

    // Delivers every answer due, those to requests that answers make included.
    void settle()
    {
        for (int round = 0; pending > 0 && round < 100; ++round)
            QCoreApplication::processEvents();
    }

    QList<QUrl> openedUrls;
    QStringList handled;
    std::function<void()> onOpen;
    bool refuses = false;
    int pending = 0;

private:
    // An answer still due when the workspace goes (with the test that made it) is never given.
    QObject m_alive;
};
