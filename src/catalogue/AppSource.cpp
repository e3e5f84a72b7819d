// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppSource.h"

#include "ParallelLoop.h"

#include <vector>

AppSource::Result AppSource::scanAll(const AppSources& sources, const ReviewDateMap& reviewDates)
{
    // The stores have nothing in common, and each spends much of its time waiting (on the disk, on
    // a library being loaded, on snapd): they are read at the same time, each result kept in its
    // source's place so that they merge in order.
    std::vector<Result> results(size_t(sources.size()));
    ParallelLoop::run(sources.size(), 1,
                      [&](qsizetype i) { results[size_t(i)] = sources.at(i)->scan(reviewDates); });
    Result merged;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        Result& result = results[size_t(i)];
        merged.apps.append(std::move(result.apps));
        merged.completeness.note(result.completeness);
        merged.unlistedIDs.unite(result.unlistedIDs);
        const std::optional<AppInfo::Store> store = sources.at(i)->store();
        if (!result.completeness.isComplete() && store && !merged.incompleteStores.contains(*store))
            merged.incompleteStores.append(*store);
    }
    merged.apps = removeDuplicateIDs(merged.apps);
    // A snap whose publisher gave it an AppStream id is that application, which the user installed
    // from the store on purpose: a distribution package of the same id, merged later, is the same
    // application again. What the user told Kudora of it stays stored.
    QSet<AppId> claimed;
    for (const AppInfo& app : std::as_const(merged.apps)) {
        for (const QString& commonID : app.commonIDs())
            claimed.insert(AppId(commonID));
    }
    if (!claimed.isEmpty()) {
        merged.apps.removeIf([&](const AppInfo& app) {
            if (app.store() == AppInfo::Store::Distribution && claimed.contains(app.id())) {
                merged.unlistedIDs.insert(app.id());
                return true;
            }
            return false;
        });
    }
    return merged;
}

QList<AppInfo> AppSource::removeDuplicateIDs(const QList<AppInfo>& apps)
{
    QList<AppInfo> kept;
    kept.reserve(apps.size());
    QSet<AppId> seen;
    for (const AppInfo& app : apps) {
        if (seen.contains(app.id()))
            continue;
        seen.insert(app.id());
        kept.append(app);
    }
    return kept;
}
