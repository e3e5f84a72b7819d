// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppStreamId.h"

#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool isSafeID(const QString& id)
{
    // A leading "." would let "." and ".." through, which a server may read as folders.
    if (id.isEmpty() || id.size() > 255 || id.startsWith(u'.'))
        return false;
    return std::all_of(id.cbegin(), id.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'.'
            || c == u'_' || c == u'-';
    });
}

std::optional<QString> snapID(const AppInfo& app)
{
    if (!app.commonIDs().isEmpty())
        return app.commonIDs().first();
    // The store's name: a parallel install's id adds "_<instance key>", which the store does not know.
    const QString name = app.id().text().mid(QStringView(u"snap:").size()).section(u'_', 0, 0);
    if (name.isEmpty() || app.snapID().isEmpty())
        return std::nullopt;
    return u"io.snapcraft."_s + name + u'-' + app.snapID();
}

} // namespace

std::optional<QString> AppStreamId::of(const AppInfo& app)
{
    std::optional<QString> id;
    switch (app.store()) {
    case AppInfo::Store::AppStore:
        return std::nullopt;
    case AppInfo::Store::Flatpak:
    case AppInfo::Store::Distribution:
        id = app.id().text();
        break;
    case AppInfo::Store::Snap:
        id = snapID(app);
        break;
    }
    if (!id || !isSafeID(*id))
        return std::nullopt;
    return id;
}

QStringList AppStreamId::of(const QList<AppInfo>& apps)
{
    QStringList ids;
    QSet<QString> seen;
    for (const AppInfo& app : apps) {
        if (std::optional<QString> id = of(app); id && !seen.contains(*id)) {
            seen.insert(*id);
            ids.append(std::move(*id));
        }
    }
    return ids;
}
