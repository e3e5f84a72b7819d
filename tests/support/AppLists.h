#pragma once

#include "AppInfo.h"

#include <QAnyStringView>
#include <QStringList>

#include <algorithm>

// The record with id in a scan's or a model's list; null when none has it.
inline const AppInfo* findApp(const QList<AppInfo>& apps, QAnyStringView id)
{
    const auto it =
        std::find_if(apps.cbegin(), apps.cend(), [&](const AppInfo& app) { return app.id() == id; });
    return it == apps.cend() ? nullptr : &*it;
}

inline QStringList idsOf(const QList<AppInfo>& apps)
{
    QStringList ids;
    for (const AppInfo& app : apps)
        ids.append(app.id());
    return ids;
}
