#pragma once

#include "AppInfo.h"

#include <QAnyStringView>
#include <QStringList>

// Looks records up by id in a scan's or a model's list; null when none has it.
inline const AppInfo* findApp(const QList<AppInfo>& apps, QAnyStringView id)
{
    for (const AppInfo& app : apps) {
        if (app.id() == id)
            return &app;
    }
    return nullptr;
}

inline QStringList idsOf(const QList<AppInfo>& apps)
{
    QStringList ids;
    for (const AppInfo& app : apps)
        ids.append(app.id());
    return ids;
}
