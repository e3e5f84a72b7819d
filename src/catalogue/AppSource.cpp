// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppSource.h"

#include "AppScanner.h"
#include "FlatpakSource.h"
#include "ParallelLoop.h"
#include "SnapSource.h"

#include <vector>

AppSources AppSource::standardSources(std::function<void()> beforeLoadingFlatpak)
{
    return { std::make_shared<const AppScanner>(),
             std::make_shared<const FlatpakSource>(QString(), QStringLiteral("libflatpak.so.0"),
                                                   std::move(beforeLoadingFlatpak)),
             std::make_shared<const SnapSource>() };
}

AppSource::Result AppSource::scanAll(const AppSources& sources, const ReviewDateMap& reviewDates)
{
    // The stores have nothing in common, and each spends much of its time waiting (on the disk, on
    // a library being loaded, on snapd): they are read at the same time, each result kept in its
    // source's place so that they merge in order.
    std::vector<Result> results(size_t(sources.size()));
    ParallelLoop::run(sources.size(), 1,
                      [&](qsizetype i) { results[size_t(i)] = sources.at(i)->scan(reviewDates); });
    Result merged;
    for (Result& result : results) {
        merged.apps.append(std::move(result.apps));
        merged.complete = merged.complete && result.complete;
        merged.unlistedIDs.unite(result.unlistedIDs);
    }
    merged.apps = AppScanner::removeDuplicateIDs(merged.apps);
    return merged;
}
