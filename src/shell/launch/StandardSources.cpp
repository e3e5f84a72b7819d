// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "StandardSources.h"

#include "AppScanner.h"
#include "DistroSource.h"
#include "FlatpakSource.h"
#include "SnapSource.h"

AppSources StandardSources::make(std::function<void()> beforeLoadingLibraries)
{
    return { std::make_shared<const AppScanner>(),
             std::make_shared<const FlatpakSource>(QString(), QStringLiteral("libflatpak.so.0"),
                                                   beforeLoadingLibraries),
             std::make_shared<const SnapSource>(),
             std::make_shared<const DistroSource>(QStringList(), QString(),
                                                  QStringLiteral("libappstream.so.4"),
                                                  std::move(beforeLoadingLibraries)) };
}
