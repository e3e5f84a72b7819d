// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Workspace.h"

#include <QDateTime>
#include <QHash>

// The workspace of a freedesktop (or any Qt-supported) desktop.
class DesktopWorkspace : public Workspace
{
public:
    bool openUrl(const QUrl& url) override;
    bool handlesScheme(const QString& scheme) override;
    QIcon iconForFile(const QString& path) override;

private:
    struct CachedIcon
    {
        QDateTime modified;
        QIcon icon;
    };
    QHash<QString, CachedIcon> m_iconCache;
};
