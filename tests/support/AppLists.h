// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppInfo.h"
#include "AppSource.h"

#include <QAnyStringView>
#include <QStringList>

#include <algorithm>

// The record with id in a scan's or a model's list; null when none has it.
inline const AppInfo* findApp(const QList<AppInfo>& apps, QAnyStringView id)
{
    const auto it =
        std::find_if(apps.cbegin(), apps.cend(), [&](const AppInfo& app) { return app.id().text() == id; });
    return it == apps.cend() ? nullptr : &*it;
}

inline QStringList idsOf(const QList<AppInfo>& apps)
{
    QStringList ids;
    for (const AppInfo& app : apps)
        ids.append(app.id().text());
    return ids;
}

// The texts of ids, sorted.
inline QStringList sortedTexts(const QSet<AppId>& ids)
{
    QStringList texts;
    for (const AppId& id : ids)
        texts.append(id.text());
    texts.sort();
    return texts;
}

// A store whose scan gives what it was made with, of the kind given.
struct FixedSource : AppSource
{
    explicit FixedSource(Result result, std::optional<AppInfo::Store> kind = {})
        : fixed(std::move(result))
        , kind(kind)
    { }
    Result scan(const ReviewDateMap&) const override { return fixed; }
    std::optional<AppInfo::Store> store() const override { return kind; }
    Result fixed;
    std::optional<AppInfo::Store> kind;
};
