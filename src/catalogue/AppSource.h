// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppId.h"
#include "AppInfo.h"
#include "Completeness.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>

#include <memory>
#include <optional>

// Application id to review date.
using ReviewDateMap = QHash<AppId, QDateTime>;

class AppSource;
using AppSources = QList<std::shared_ptr<const AppSource>>;

// One store whose installed applications the catalogue lists. A scan is synchronous and must be
// safe to run on a worker thread while other threads hold the same source or scan other sources.
class AppSource
{
public:
    struct Result
    {
        QList<AppInfo> apps;
        // Incomplete when something that may hold installed applications could not be read: the
        // list may then be missing applications that are still installed, and nothing may be
        // pruned.
        Completeness completeness;
        // Ids of applications that are installed but not listed (a Flatpak application whose
        // remote was removed, say): what the user chose for them stays stored.
        QSet<AppId> unlistedIDs = {};
        // The stores whose sources were incomplete, in merge order: scanAll's, to say which were
        // not read in full.
        QList<AppInfo::Store> incompleteStores = {};
    };

    virtual ~AppSource() = default;

    virtual Result scan(const ReviewDateMap& reviewDates) const = 0;

    // The one store whose applications the source lists; none when it lists several or names none.
    virtual std::optional<AppInfo::Store> store() const { return std::nullopt; }

    // The folders in which an entry comes or goes when one of the source's applications is
    // installed or removed, whether they exist yet or not; a source that names none is scanned
    // again only when asked.
    virtual QStringList watchedFolders() const { return {}; }

    // Every source, read at the same time, merged in order: the first record of an id wins, and a
    // distribution package gives way to a snap that names its id among its common ids; the result
    // is complete only when every source was, naming the stores of those that were not, and
    // the unlisted ids of all are kept.
    static Result scanAll(const AppSources& sources, const ReviewDateMap& reviewDates);

    // The first record of each id, in order.
    static QList<AppInfo> removeDuplicateIDs(const QList<AppInfo>& apps);
};
