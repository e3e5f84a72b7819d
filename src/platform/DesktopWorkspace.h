// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Workspace.h"

#include <QDateTime>
#include <QHash>
#include <QObject>

#include <chrono>

// The workspace of a freedesktop desktop. Pages open through the desktop's xdg-open, whose exit
// status is its verdict: Qt's own opener only says that it started one.
class DesktopWorkspace : public Workspace
{
public:
    // An opener that has not answered within timeLimit is taken not to have opened the page.
    explicit DesktopWorkspace(std::chrono::milliseconds timeLimit = std::chrono::seconds(10));

    void openUrl(const QUrl& url, QObject* context, OpenCallback done) override;
    bool handlesScheme(const QString& scheme) override;
    QIcon iconForFile(const QString& path) override;

private:
    struct CachedIcon
    {
        QDateTime modified;
        QIcon icon;
    };
    QHash<QString, CachedIcon> m_iconCache;
    std::chrono::milliseconds m_timeLimit;
    // Parent of the openers still running, so that none outlives the workspace.
    QObject m_openers;
};
