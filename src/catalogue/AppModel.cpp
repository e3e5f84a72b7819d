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
// An empty or incomplete result usually means a folder could not be read, not that every
// application was removed: pruning then would erase the user's ignore list and review dates, and a
// refresh would take rows away that are still installed.
bool absenceIsKnown(const AppSource::Result& result)
{
    return result.completeness.isComplete() && !result.apps.isEmpty();
}

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
    // A refresh under way may have read the stores before what the user asks to see again: the
    // rescan starts when it ends.
    if (m_runningScan == Scan::None)
        startScan(Scan::Rescan);
}

void AppModel::refresh()
{
    if (m_isMockMode)
        return;
    // The scan under way may have read the stores before the change this refresh is for.
    if (m_runningScan != Scan::None) {
        m_refreshPending = true;
        return;
    }
    startScan(Scan::Refresh);
}

void AppModel::startScan(Scan kind)
{
    m_runningScan = kind;
    const ReviewDateMap reviewDates = m_preferences.loadReviewDates();
    // The worker gets copies only: it must never reach the model, which may be gone by the time
    // the scan ends, nor hold up the end of the program.
    const bool started = DetachedTask::run(
        this, [sources = m_sources, reviewDates] { return AppSource::scanAll(sources, reviewDates); },
        [this](AppSource::Result result) { scanEnded(std::move(result)); });
    // Without a thread there is no list; treat it as a scan that could not read anything rather
    // than leave the model scanning for ever.
    if (!started) {
        const auto nothingRead = [this] {
            AppSource::Result result;
            result.completeness.note(ReadOutcome::Failed);
            scanEnded(std::move(result));
        };
        QMetaObject::invokeMethod(this, nothingRead, Qt::QueuedConnection);
    }
}

void AppModel::scanEnded(AppSource::Result result)
{
    const Scan ended = std::exchange(m_runningScan, Scan::None);
    if (m_isScanning) {
        if (ended == Scan::Refresh)
            startScan(Scan::Rescan);
        else
            applyScanResult(std::move(result));
    } else if (!m_isMockMode) {
        mergeScanResult(std::move(result));
    }
    if (m_refreshPending && m_runningScan == Scan::None) {
        m_refreshPending = false;
        refresh();
    }
}

void AppModel::takeReviewDates(QList<AppInfo>& apps) const
{
    const ReviewDateMap stored = m_preferences.loadReviewDates();
    for (AppInfo& app : apps) {
        const auto it = stored.constFind(app.id());
        app.setLastReviewedDate(it == stored.cend() ? OptionalDate() : OptionalDate(*it));
        const auto online = m_onlineReviews.constFind(app.id());
        app.setOnlineReview(online == m_onlineReviews.cend() ? std::nullopt : std::optional(*online));
    }
}

void AppModel::setOnlineReviews(OnlineReviews reviews)
{
    m_onlineReviews = std::move(reviews);
    bool changed = false;
    for (qsizetype index = 0; index < m_apps.size(); ++index) {
        const auto found = m_onlineReviews.constFind(m_apps.at(index).id());
        changed |=
            showOnlineReview(index, found == m_onlineReviews.cend() ? std::nullopt : std::optional(*found));
    }
    if (changed)
        notifyAppsChanged();
}

void AppModel::setOnlineReview(const AppId& id, std::optional<OnlineReview> review)
{
    if (review)
        m_onlineReviews.insert(id, *review);
    else
        m_onlineReviews.remove(id);
    if (const qsizetype index = indexOfID(id); index >= 0 && showOnlineReview(index, std::move(review)))
        notifyAppsChanged();
}

bool AppModel::showOnlineReview(qsizetype index, std::optional<OnlineReview> review)
{
    if (review == m_apps.at(index).onlineReview())
        return false;
    m_apps[index].setOnlineReview(std::move(review));
    m_order.setApp(index, m_apps[index]);
    emit appsChangedInPlace(index, index);
    return true;
}

bool AppModel::pruneAndTakeIgnoredIDs(bool absenceKnown, QSet<AppId> unlistedIDs)
{
    if (absenceKnown) {
        QSet<AppId> installedIDs = std::move(unlistedIDs);
        installedIDs.reserve(m_apps.size() + installedIDs.size());
        for (const AppInfo& app : std::as_const(m_apps))
            installedIDs.insert(app.id());
        m_preferences.pruneReviewDates(installedIDs);
        m_preferences.pruneIgnoredIDs(installedIDs);
    }
    return m_order.setIgnoredIDs(m_preferences.loadIgnoredIDs());
}

void AppModel::applyScanResult(AppSource::Result result)
{
    // Everything changes before anyone hears of it, so that no observer sees the new catalogue
    // with the ignore list it is about to replace, or runs in between the steps: what the store
    // meets meanwhile is told at the end.
    m_applyingScan = true;
    takeReviewDates(result.apps);
    const bool absenceKnown = absenceIsKnown(result);
    replaceApps(std::move(result.apps));
    const bool ignoredChanged = pruneAndTakeIgnoredIDs(absenceKnown, std::move(result.unlistedIDs));
    const bool incompleteChanged = m_incompleteStores != result.incompleteStores;
    m_incompleteStores = std::move(result.incompleteStores);
    m_isScanning = false;
    m_applyingScan = false;

    emit catalogueReplaced();
    notifyAppsChanged();
    if (ignoredChanged) {
        emit ignoredIDsChanged();
        emit visibleAppsChanged();
    }
    emit isScanningChanged();
    if (incompleteChanged)
        emit incompleteStoresChanged();
    takeStoreTrouble();
    emit rescanFinished();
}

void AppModel::mergeScanResult(AppSource::Result result)
{
    // Each step is told as it happens, so that views keep their rows, and with them the user's
    // selection and place: the records gone leave, the changed change, the new come at the end.
    m_applyingScan = true;
    takeReviewDates(result.apps);
    QHash<AppId, qsizetype> found;
    found.reserve(result.apps.size());
    for (qsizetype i = 0; i < result.apps.size(); ++i) {
        if (!found.contains(result.apps.at(i).id()))
            found.insert(result.apps.at(i).id(), i);
    }
    const bool absenceKnown = absenceIsKnown(result);
    bool changed = false;

    if (absenceKnown) {
        for (qsizetype last = m_apps.size() - 1; last >= 0;) {
            if (found.contains(m_apps.at(last).id())) {
                --last;
                continue;
            }
            qsizetype first = last;
            while (first > 0 && !found.contains(m_apps.at(first - 1).id()))
                --first;
            emit appsAboutToBeRemoved(first, last);
            m_apps.remove(first, last - first + 1);
            m_order.removeApps(first, last - first + 1);
            emit appsRemoved();
            changed = true;
            last = first - 1;
        }
    }

    QSet<qsizetype> listed;
    qsizetype runStart = -1;
    for (qsizetype i = 0; i <= m_apps.size(); ++i) {
        bool differs = false;
        if (i < m_apps.size()) {
            if (const auto it = found.constFind(m_apps.at(i).id()); it != found.cend()) {
                listed.insert(*it);
                const AppInfo& now = result.apps.at(*it);
                differs = m_apps.at(i) != now;
                if (differs) {
                    m_apps[i] = now;
                    m_order.setApp(i, now);
                }
            }
        }
        if (differs && runStart < 0)
            runStart = i;
        if (!differs && runStart >= 0) {
            emit appsChangedInPlace(runStart, i - 1);
            changed = true;
            runStart = -1;
        }
    }

    // In the order the scan listed them, as a rescan would.
    QList<AppInfo> added;
    for (qsizetype i = 0; i < result.apps.size(); ++i) {
        if (!listed.contains(i) && found.value(result.apps.at(i).id()) == i)
            added.append(result.apps.at(i));
    }
    if (!added.isEmpty()) {
        emit appsAboutToBeAdded(m_apps.size(), m_apps.size() + added.size() - 1);
        m_apps.append(added);
        m_order.appendApps(added);
        emit appsAdded();
        changed = true;
    }

    const bool ignoredChanged = pruneAndTakeIgnoredIDs(absenceKnown, std::move(result.unlistedIDs));
    // A refresh reads every store as a rescan does, so it says as much about which were read in full.
    const bool incompleteChanged = m_incompleteStores != result.incompleteStores;
    m_incompleteStores = std::move(result.incompleteStores);
    m_applyingScan = false;
    if (changed)
        notifyAppsChanged();
    if (ignoredChanged) {
        emit ignoredIDsChanged();
        emit visibleAppsChanged();
    }
    if (incompleteChanged)
        emit incompleteStoresChanged();
    takeStoreTrouble();
    emit refreshFinished();
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
    m_order.setApp(index, m_apps[index]);
    emit appsChangedInPlace(index, index);
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
