// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppSource.h"

#include "AppScanner.h"

AppSource::Result AppSource::scanAll(const AppSources& sources, const ReviewDateMap& reviewDates)
{
    Result merged;
    for (const std::shared_ptr<const AppSource>& source : sources) {
        Result result = source->scan(reviewDates);
        merged.apps.append(std::move(result.apps));
        merged.complete = merged.complete && result.complete;
        merged.unlistedIDs.unite(result.unlistedIDs);
    }
    merged.apps = AppScanner::removeDuplicateIDs(merged.apps);
    return merged;
}
