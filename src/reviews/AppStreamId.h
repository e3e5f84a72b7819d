// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppInfo.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The AppStream component id under which the ratings service keeps an application's reviews, as
// the software centres that write them name it.
class AppStreamId
{
public:
    // A Flatpak's id; a distribution application's component id; a snap's first common id from
    // its publisher, else "io.snapcraft.<name>-<snap id>". None for an App Store application, and
    // none for an id that is not letters, digits, ".", "_" and "-" alone, which could name another
    // address than the application's on the service.
    static std::optional<QString> of(const AppInfo& app);
    // The ids of those of apps that have one, each once, in their order.
    static QStringList of(const QList<AppInfo>& apps);
};
