// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CatalogueTexts.h"

#include "AppModel.h"

#include <algorithm>

// Each count is one "%n" text whose forms, English ones included, come from the catalogues, since
// languages differ in how many forms a count has and which number takes which.

CatalogueTexts::CatalogueTexts(const AppSources& sources)
    : m_appStoreOnly(std::all_of(sources.cbegin(), sources.cend(), [](const auto& source) {
        return source->store() == AppInfo::Store::AppStore;
    }))
{ }

CatalogueTexts::Summary CatalogueTexts::summary(const AppModel& model) const
{
    return summary(model.apps().size(), model.ignoredIDs().size(), model.showingIgnored());
}

CatalogueTexts::Summary CatalogueTexts::summary(qsizetype appCount, qsizetype ignoredCount,
                                                bool showingIgnored) const
{
    const int apps = int(qMin<qsizetype>(appCount, INT_MAX));
    const int ignored = int(qMin<qsizetype>(ignoredCount, INT_MAX));
    if (showingIgnored)
        return { tr("%n ignored apps", nullptr, ignored), tr("No ignored apps."), QString() };
    QString status = m_appStoreOnly ? tr("%n App Store apps found", nullptr, apps)
                                    : tr("%n store apps found", nullptr, apps);
    QString note;
    if (ignored > 0) {
        status += u' ' + tr("·") + u' ' + tr("%n ignored", nullptr, ignored);
        note = tr("%n apps ignored.", nullptr, ignored);
    }
    return { status, m_appStoreOnly ? tr("No App Store apps found.") : tr("No store apps found."), note };
}

QString CatalogueTexts::storeColumnTitle() const
{
    return m_appStoreOnly ? tr("App Store") : tr("Store");
}

QString CatalogueTexts::openPageText(const QString& name) const
{
    return m_appStoreOnly ? tr("Open App Store page for %1").arg(name)
                          : tr("Open store page for %1").arg(name);
}
