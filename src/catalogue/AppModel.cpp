// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppModel.h"

#include "DefaultsDomain.h"
#include "DetachedTask.h"
#include "MockCatalogue.h"
#include "PreferencesService.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {
QSet<AppId> idsOf(const QList<AppInfo>& apps)
{
    QSet<AppId> ids;
    ids.reserve(apps.size());
    for (const AppInfo& app : apps)
        ids.insert(app.id());
    return ids;
}
} // namespace

AppModel::AppModel(PreferencesService& preferences, AppSources sources, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_sources(std::move(sources))
{
    m_order.setIgnoredIDs(m_preferences.loadIgnoredIDs());
    m_storeTrouble = m_preferences.trouble();
    connect(&m_preferences, &PreferencesService::troubleChanged, this, [this] {
        if (!m_applyingScan)
            takeStoreTrouble();
    });
    QMetaObject::invokeMethod(this, &AppModel::rescan, Qt::QueuedConnection);
}

// A scan still running keeps only its own share of the sources and the review dates; its result
// finds the model gone and is dropped.
AppModel::~AppModel() = default;

void AppModel::setApps(QList<AppInfo> apps)
{
    replaceApps(std::move(apps));
    emit catalogueReplaced();
    notifyAppsChanged();
}

void AppModel::replaceApps(QList<AppInfo> apps)
{
    emit appsAboutToBeReplaced();
    m_apps = std::move(apps);
    m_order.setApps(m_apps);
}

void AppModel::setShowingIgnored(bool showingIgnored)
{
    if (!m_order.setShowingIgnored(showingIgnored))
        return;
    emit showingIgnoredChanged();
    emit visibleAppsChanged();
}

void AppModel::setSearchQuery(const QString& searchQuery)
{
    if (!m_order.setSearchQuery(searchQuery))
        return;
    emit searchQueryChanged();
    emit visibleAppsChanged();
}

void AppModel::setSortOrder(const SortOrder& sortOrder)
{
    if (!m_order.setSortOrder(sortOrder))
        return;
    emit sortOrderChanged();
    emit visibleAppsChanged();
}

void AppModel::setIsScanning(bool isScanning)
{
    if (m_isScanning == isScanning)
        return;
    m_isScanning = isScanning;
    emit isScanningChanged();
}

void AppModel::setIsMockMode(bool isMockMode)
{
    if (m_isMockMode == isMockMode)
        return;
    m_isMockMode = isMockMode;
    emit isMockModeChanged();
}

void AppModel::setIgnoredIDs(QSet<AppId> ignoredIDs)
{
    if (!m_order.setIgnoredIDs(std::move(ignoredIDs)))
        return;
    emit ignoredIDsChanged();
    emit visibleAppsChanged();
}

void AppModel::takeStoreTrouble()
{
    const DefaultsDomain::Trouble trouble = m_preferences.trouble();
    const DefaultsDomain::Trouble before = std::exchange(m_storeTrouble, trouble);
    if (before.unreadableFile != trouble.unreadableFile)
        emit unreadableSettingsFileChanged();
    if (before.damagedFileCopy != trouble.damagedFileCopy)
        emit damagedSettingsCopyChanged();
}

void AppModel::notifyAppsChanged()
{
    emit appsChanged();
    emit visibleAppsChanged();
}

bool AppModel::isIgnored(const AppInfo& app) const
{
    return m_order.ignoredIDs().contains(app.id());
}

QList<AppInfo> AppModel::visibleApps() const
{
    const QList<qsizetype> rows = m_order.visibleIndexes();
    QList<AppInfo> visible;
    visible.reserve(rows.size());
    for (const qsizetype row : rows)
        visible.append(m_apps[row]);
    return visible;
}

void AppModel::rescan()
{
    if (m_isScanning)
        return;
    setIsScanning(true);
    setApps({});

    if (m_isMockMode) {
        setApps(MockCatalogue::makeSampleApps());
        setIsScanning(false);
        emit rescanFinished();
        return;
    }

    const ReviewDateMap reviewDates = m_preferences.loadReviewDates();
    // The worker gets copies only: it must never reach the model, which may be gone by the time
    // the scan ends, nor hold up the end of the program.
    const bool started = DetachedTask::run(
        this, [sources = m_sources, reviewDates] { return AppSource::scanAll(sources, reviewDates); },
        [this](AppSource::Result result) { applyScanResult(std::move(result)); });
    // Without a thread there is no list; treat it as a scan that could not read anything rather
    // than leave the model scanning for ever.
    if (!started) {
        const auto nothingRead = [this] {
            AppSource::Result result;
            result.completeness.note(ReadOutcome::Failed);
            applyScanResult(std::move(result));
        };
        QMetaObject::invokeMethod(this, nothingRead, Qt::QueuedConnection);
    }
}

void AppModel::applyScanResult(AppSource::Result result)
{
    // Everything changes before anyone hears of it, so that no observer sees the new catalogue
    // with the ignore list it is about to replace, or runs in between the steps: what the store
    // meets meanwhile is told at the end.
    m_applyingScan = true;
    replaceApps(std::move(result.apps));

    // An empty or incomplete result usually means a folder could not be read, not that every
    // application was removed: pruning then would erase the user's ignore list and review dates.
    if (result.completeness.isComplete() && !m_apps.isEmpty()) {
        QSet<AppId> installedIDs = std::move(result.unlistedIDs);
        installedIDs.reserve(m_apps.size() + installedIDs.size());
        for (const AppInfo& app : std::as_const(m_apps))
            installedIDs.insert(app.id());
        m_preferences.pruneReviewDates(installedIDs);
        m_preferences.pruneIgnoredIDs(installedIDs);
    }

    const bool ignoredChanged = m_order.setIgnoredIDs(m_preferences.loadIgnoredIDs());
    m_isScanning = false;
    m_applyingScan = false;

    emit catalogueReplaced();
    notifyAppsChanged();
    if (ignoredChanged) {
        emit ignoredIDsChanged();
        emit visibleAppsChanged();
    }
    emit isScanningChanged();
    takeStoreTrouble();
    emit rescanFinished();
}

void AppModel::toggleMockMode()
{
    setIsMockMode(!m_isMockMode);
    QMetaObject::invokeMethod(this, &AppModel::rescan, Qt::QueuedConnection);
}

qsizetype AppModel::indexOfID(const AppId& id) const
{
    const auto it =
        std::find_if(m_apps.cbegin(), m_apps.cend(), [&id](const AppInfo& app) { return app.id() == id; });
    return it == m_apps.cend() ? -1 : it - m_apps.cbegin();
}

void AppModel::setReviewDate(qsizetype index, const OptionalDate& date)
{
    m_apps[index].setLastReviewedDate(date);
    m_order.setReviewDate(index, m_apps[index]);
    emit reviewDateChanged(index);
    notifyAppsChanged();
}

void AppModel::recordReview(const AppInfo& app)
{
    // app may be a record of m_apps itself, which the write below changes.
    const AppId id = app.id();
    m_preferences.recordReviewDate(id);
    const qsizetype index = indexOfID(id);
    if (index < 0)
        return;
    setReviewDate(index, m_preferences.reviewDate(id));
}

// The lists below are walked as copies: each step notifies, and an observer may replace apps,
// which a caller could have passed in.

void AppModel::ignoreApps(const QList<AppInfo>& apps)
{
    changeIgnoredIDs(idsOf(apps), {});
}

void AppModel::unignoreApps(const QList<AppInfo>& apps)
{
    changeIgnoredIDs({}, idsOf(apps));
}

void AppModel::changeIgnoredIDs(const QSet<AppId>& ignore, const QSet<AppId>& unignore)
{
    if (ignore.isEmpty() && unignore.isEmpty())
        return;
    // One change of the stored list for the whole selection, and one change of ignoredIDs: a change
    // per application would read, write and compare the whole list a thousand times for a thousand
    // rows. The write can fail (a full disk); then the list shows what the store kept.
    if (!ignore.isEmpty())
        m_preferences.addIgnoredIDs(ignore.values());
    if (!unignore.isEmpty())
        m_preferences.removeIgnoredIDs(unignore.values());
    setIgnoredIDs(m_preferences.loadIgnoredIDs());
}

void AppModel::resetIgnoreList()
{
    m_preferences.clearIgnoredIDs();
    setIgnoredIDs(m_preferences.loadIgnoredIDs());
}

void AppModel::resetReviewDates(const QList<AppInfo>& apps)
{
    ReviewDates none;
    for (const AppInfo& app : apps)
        none.insert(app.id(), std::nullopt);
    restoreReviewDates(none);
}

AppModel::ReviewDates AppModel::reviewDates(const QList<AppId>& ids) const
{
    const ReviewDateMap stored = m_preferences.loadReviewDates();
    ReviewDates dates;
    for (const AppId& id : ids) {
        const auto it = stored.constFind(id);
        dates.insert(id, it == stored.cend() ? OptionalDate() : OptionalDate(*it));
    }
    return dates;
}

void AppModel::restoreReviewDates(const ReviewDates& dates)
{
    // A copy: dates may be the caller's, and each row's change notifies.
    const ReviewDates targets = dates;
    m_preferences.setReviewDates(targets);
    // The one write can fail (a full disk, a read-only folder); then the rows show the dates the
    // store kept, which the next scan would bring back anyway.
    const ReviewDateMap stored = m_preferences.loadReviewDates();
    for (auto it = targets.cbegin(); it != targets.cend(); ++it) {
        const qsizetype index = indexOfID(it.key());
        if (index < 0)
            continue;
        const auto kept = stored.constFind(it.key());
        const OptionalDate date = kept == stored.cend() ? OptionalDate() : OptionalDate(*kept);
        if (date != m_apps[index].lastReviewedDate())
            setReviewDate(index, date);
    }
}
