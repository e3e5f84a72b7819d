// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppSource.h"

#include <QString>

#include <chrono>

// The snaps installed from the Snap Store that are applications, as snapd lists them, with their
// last use from the desktop's usage records. Without snapd there are none, and the result is
// complete; a snapd that cannot be asked makes it incomplete.
class SnapSource : public AppSource
{
public:
    static constexpr std::chrono::milliseconds DefaultTimeLimit { 10000 };

    // socketPath is snapd's socket; dataHome holds the usage records (the XDG data home when empty);
    // desktopFolder is where snapd puts the desktop entries of the snaps it installs.
    explicit SnapSource(QString socketPath = QStringLiteral("/run/snapd.socket"), QString dataHome = {},
                        std::chrono::milliseconds timeLimit = DefaultTimeLimit,
                        QString desktopFolder = QStringLiteral("/var/lib/snapd/desktop/applications"));

    Result scan(const ReviewDateMap& reviewDates) const override;
    std::optional<AppInfo::Store> store() const override { return AppInfo::Store::Snap; }
    QStringList watchedFolders() const override { return { m_desktopFolder }; }

private:
    QString m_socketPath;
    QString m_dataHome;
    std::chrono::milliseconds m_timeLimit;
    QString m_desktopFolder;
};
