#include "CatalogueTexts.h"

#include "AppModel.h"

#include <algorithm>

// Each count picks its English form here until an English catalogue picks it; every form is a %n
// text, so that a translation can give each language its own plural forms.

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
    if (showingIgnored) {
        return { ignored == 1 ? tr("%n ignored app", nullptr, ignored)
                              : tr("%n ignored apps", nullptr, ignored),
                 tr("No ignored apps."), QString() };
    }
    QString status;
    if (m_appStoreOnly)
        status = apps == 1 ? tr("%n App Store app found", nullptr, apps)
                           : tr("%n App Store apps found", nullptr, apps);
    else
        status =
            apps == 1 ? tr("%n store app found", nullptr, apps) : tr("%n store apps found", nullptr, apps);
    QString note;
    if (ignored > 0) {
        status += u' ' + tr("·") + u' ' + tr("%n ignored", nullptr, ignored);
        note =
            ignored == 1 ? tr("%n app ignored.", nullptr, ignored) : tr("%n apps ignored.", nullptr, ignored);
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
