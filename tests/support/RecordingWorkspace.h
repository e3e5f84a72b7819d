// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Workspace.h"

#include <QList>
#include <QPixmap>
#include <QStringList>

#include <functional>

// Stands in for the desktop: records the addresses it is asked to open and opens none, answering
// as a desktop would that it did when it has a handler for the address (https, and the schemes in
// handled) and does not refuse everything; it gives every file a red 64 × 32 icon, so that fitting
// and centring show.
class RecordingWorkspace : public Workspace
{
public:
    bool openUrl(const QUrl& url) override
    {
        openedUrls.append(url);
        if (onOpen)
            onOpen();
        return !refuses && handlesScheme(url.scheme());
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

    QList<QUrl> openedUrls;
    QStringList handled;
    std::function<void()> onOpen;
    bool refuses = false;
};
