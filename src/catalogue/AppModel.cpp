// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppModel.h"

#include "DefaultsDomain.h"
#include "DetachedTask.h"
#include "MockCatalogue.h"
#include "PreferencesService.h"
#include "TextSearch.h"

#include <QLocale>

#include <algorithm>
#include <optional>
#include <vector>

struct AppModel::RecordKeys
{
    QString foldedName;
    QString foldedID;
    SortComparator::Keys sort;
};

struct AppModel::KeyCache
{
    bool valid = false;
    bool hasNameKeys = false;
    // Folding and collation follow the locale; keys made for another one are worthless.
    QLocale locale;
    std::optional<QString> foldedQuery;
    std::vector<RecordKeys> records;
};

AppModel::AppModel(PreferencesService& preferences, AppSources sources, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_sources(std::move(sources))
    , m_keyCache(std::make_unique<KeyCache>())
{
    m_ignoredIDs = m_preferences.loadIgnoredIDs();
    m_storeTrouble = m_preferences.domain().trouble();
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
    m_keyCache->valid = false;
}

void AppModel::setShowingIgnored(bool showingIgnored)
{
    if (m_showingIgnored == showingIgnored)
        return;
    m_showingIgnored = showingIgnored;
    emit showingIgnoredChanged();
    emit visibleAppsChanged();
}

void AppModel::setSearchQuery(const QString& searchQuery)
{
    // Exact comparison: a query that differs only in composition is still another text the user
    // typed, and the search field must see it echoed back.
    if (m_searchQuery == searchQuery)
        return;
    m_searchQuery = searchQuery;
    m_keyCache->foldedQuery.reset();
    emit searchQueryChanged();
    emit visibleAppsChanged();
}

void AppModel::setSortOrder(const SortOrder& sortOrder)
{
    if (m_sortOrder == sortOrder)
        return;
    m_sortOrder = sortOrder;
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
    if (m_ignoredIDs == ignoredIDs)
        return;
    m_ignoredIDs = std::move(ignoredIDs);
    emit ignoredIDsChanged();
    emit visibleAppsChanged();
}

void AppModel::takeStoreTrouble()
{
    const DefaultsDomain::Trouble trouble = m_preferences.domain().trouble();
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
    return m_ignoredIDs.contains(app.id());
}

const AppModel::KeyCache& AppModel::keyCache() const
{
    // Asked once per record while a view filters and once per comparison while it sorts: the
    // checks must stay cheap.
    KeyCache& cache = *m_keyCache;
    const QLocale locale;
    if (!cache.valid || cache.locale != locale) {
        cache.valid = true;
        cache.hasNameKeys = false;
        cache.locale = locale;
        cache.foldedQuery.reset();
        cache.records.clear();
        cache.records.reserve(m_apps.size());
        for (const AppInfo& app : m_apps) {
            RecordKeys keys;
            keys.foldedName = TextSearch::fold(app.name());
            keys.foldedID = TextSearch::fold(app.id().text());
            keys.sort.lastAccessed = SortComparator::dateSortKey(app.lastAccessedSortDate());
            keys.sort.lastReviewed = SortComparator::dateSortKey(app.lastReviewedSortDate());
            cache.records.push_back(std::move(keys));
        }
    }
    if (!cache.foldedQuery)
        cache.foldedQuery = TextSearch::fold(m_searchQuery);
    return cache;
}

// Collation keys cost more than everything else together, and only a sort by name needs them.
void AppModel::ensureNameKeys() const
{
    KeyCache& cache = *m_keyCache;
    if (cache.hasNameKeys)
        return;
    for (size_t i = 0; i < cache.records.size(); ++i)
        cache.records[i].sort.name = SortComparator::nameSortKey(m_apps[qsizetype(i)].name());
    cache.hasNameKeys = true;
}

bool AppModel::lessThan(const KeyCache& cache, qsizetype a, qsizetype b) const
{
    const int result =
        SortComparator::compare(m_sortOrder, cache.records[size_t(a)].sort, cache.records[size_t(b)].sort);
    return result != 0 ? result < 0 : a < b;
}

bool AppModel::passes(const KeyCache& cache, qsizetype index) const
{
    const RecordKeys& keys = cache.records[size_t(index)];
    if (!m_searchQuery.isEmpty() && !TextSearch::containsFolded(keys.foldedName, *cache.foldedQuery)
        && !TextSearch::containsFolded(keys.foldedID, *cache.foldedQuery))
        return false;
    return m_ignoredIDs.contains(m_apps[index].id()) == m_showingIgnored;
}

bool AppModel::isVisibleIndex(qsizetype index) const
{
    if (index < 0 || index >= m_apps.size())
        return false;
    return passes(keyCache(), index);
}

bool AppModel::sortsBefore(qsizetype a, qsizetype b) const
{
    const KeyCache& cache = keyCache();
    if (sortsByName())
        ensureNameKeys();
    return lessThan(cache, a, b);
}

bool AppModel::sortsByName() const
{
    return std::any_of(m_sortOrder.cbegin(), m_sortOrder.cend(),
                       [](const SortComparator& c) { return c.key() == SortComparator::Key::Name; });
}

QList<qsizetype> AppModel::visibleIndexes() const
{
    const KeyCache& cache = keyCache();
    QList<qsizetype> rows;
    rows.reserve(m_apps.size());
    for (qsizetype i = 0; i < m_apps.size(); ++i) {
        if (passes(cache, i))
            rows.append(i);
    }
    if (m_sortOrder.isEmpty())
        return rows;
    if (sortsByName())
        ensureNameKeys();
    std::sort(rows.begin(), rows.end(), [&](qsizetype a, qsizetype b) { return lessThan(cache, a, b); });
    return rows;
}

QList<AppInfo> AppModel::visibleApps() const
{
    const QList<qsizetype> rows = visibleIndexes();
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
    takeStoreTrouble();
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
    // with the ignore list it is about to replace, or runs in between the steps.
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

    const QSet<AppId> ignoredIDs = m_preferences.loadIgnoredIDs();
    const bool ignoredChanged = ignoredIDs != m_ignoredIDs;
    m_ignoredIDs = ignoredIDs;
    m_isScanning = false;

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
    KeyCache& cache = *m_keyCache;
    if (cache.valid)
        cache.records[size_t(index)].sort.lastReviewed =
            SortComparator::dateSortKey(m_apps[index].lastReviewedSortDate());
    emit reviewDateChanged(index);
    notifyAppsChanged();
}

void AppModel::recordReview(const AppInfo& app)
{
    // app may be a record of m_apps itself, which the write below changes.
    const AppId id = app.id();
    m_preferences.recordReviewDate(id);
    takeStoreTrouble();
    const qsizetype index = indexOfID(id);
    if (index < 0)
        return;
    setReviewDate(index, m_preferences.reviewDate(id));
}

// The lists below are walked as copies: each step notifies, and an observer may replace apps,
// which a caller could have passed in.

void AppModel::ignoreApps(const QList<AppInfo>& apps)
{
    changeIgnoredIDs(apps, &PreferencesService::addIgnoredIDs);
}

void AppModel::unignoreApps(const QList<AppInfo>& apps)
{
    changeIgnoredIDs(apps, &PreferencesService::removeIgnoredIDs);
}

void AppModel::changeIgnoredIDs(const QList<AppInfo>& apps,
                                void (PreferencesService::*change)(const QList<AppId>&))
{
    if (apps.isEmpty())
        return;
    QList<AppId> ids;
    ids.reserve(apps.size());
    for (const AppInfo& app : apps)
        ids.append(app.id());
    // One change of the stored list for the whole selection, and one change of ignoredIDs: a change
    // per application would read, write and compare the whole list a thousand times for a thousand
    // rows. The write can fail (a full disk); then the list shows what the store kept.
    (m_preferences.*change)(ids);
    takeStoreTrouble();
    setIgnoredIDs(m_preferences.loadIgnoredIDs());
}

void AppModel::resetIgnoreList()
{
    m_preferences.clearIgnoredIDs();
    takeStoreTrouble();
    setIgnoredIDs(m_preferences.loadIgnoredIDs());
}

void AppModel::resetReviewDates(const QList<AppInfo>& apps)
{
    const QList<AppInfo> targets = apps;
    {
        const DefaultsDomain::Batch batch(m_preferences.domain());
        for (const AppInfo& app : targets) {
            m_preferences.removeReviewDate(app.id());
            const qsizetype index = indexOfID(app.id());
            if (index >= 0)
                setReviewDate(index, std::nullopt);
        }
    }
    takeStoreTrouble();
    // The batch's one write can fail (a full disk, a read-only folder); then the rows show the
    // dates the store kept, which the next scan would bring back anyway.
    for (const AppInfo& app : targets) {
        const qsizetype index = indexOfID(app.id());
        if (index < 0)
            continue;
        const OptionalDate kept = m_preferences.reviewDate(app.id());
        if (kept != m_apps[index].lastReviewedDate())
            setReviewDate(index, kept);
    }
}
