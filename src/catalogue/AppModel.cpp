#include "AppModel.h"

#include "DefaultsDomain.h"
#include "MockCatalogue.h"
#include "PreferencesService.h"
#include "TextSearch.h"

#include <QFutureWatcher>
#include <QLocale>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <vector>

struct AppModel::RecordKeys
{
    QString foldedName;
    QString foldedID;
    QString idKey;
    QByteArray nameKey;
    qint64 lastAccessedKey = 0;
    qint64 lastReviewedKey = 0;
};

struct AppModel::KeyCache
{
    bool valid = false;
    bool hasNameKeys = false;
    // Folding and collation follow the locale; keys made for another one are worthless.
    QString localeName;
    std::vector<RecordKeys> records;
};

namespace {

int compareKeys(qint64 a, qint64 b)
{
    return (a > b) - (a < b);
}

} // namespace

AppModel::AppModel(PreferencesService& preferences, AppScanner scanner, QObject* parent)
    : AppModel(preferences, AppSources { std::make_shared<const AppScanner>(std::move(scanner)) }, parent)
{ }

AppModel::AppModel(PreferencesService& preferences, AppSources sources, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_sources(std::move(sources))
    , m_keyCache(std::make_unique<KeyCache>())
{
    m_ignoredIDs = AppInfo::idKeys(m_preferences.loadIgnoredIDs());
    QMetaObject::invokeMethod(this, &AppModel::rescan, Qt::QueuedConnection);
}

// A scan still running keeps only its own share of the sources and the review dates; its watcher
// goes with the model, so the result is dropped.
AppModel::~AppModel() = default;

void AppModel::setApps(QList<AppInfo> apps)
{
    m_apps = std::move(apps);
    m_keyCache->valid = false;
    notifyAppsChanged();
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

void AppModel::setIgnoredIDs(QSet<QString> ignoredIDs)
{
    ignoredIDs = AppInfo::idKeys(ignoredIDs);
    if (m_ignoredIDs == ignoredIDs)
        return;
    m_ignoredIDs = std::move(ignoredIDs);
    emit ignoredIDsChanged();
    emit visibleAppsChanged();
}

void AppModel::notifyAppsChanged()
{
    emit appsChanged();
    emit visibleAppsChanged();
}

bool AppModel::isIgnored(const AppInfo& app) const
{
    return m_ignoredIDs.contains(AppInfo::idKey(app.id()));
}

const AppModel::KeyCache& AppModel::keyCache() const
{
    KeyCache& cache = *m_keyCache;
    const QString localeName = QLocale().name();
    if (cache.valid && cache.localeName == localeName)
        return cache;
    cache.valid = true;
    cache.hasNameKeys = false;
    cache.localeName = localeName;
    cache.records.clear();
    cache.records.reserve(m_apps.size());
    for (const AppInfo& app : m_apps) {
        RecordKeys keys;
        keys.foldedName = TextSearch::fold(app.name());
        keys.foldedID = TextSearch::fold(app.id());
        keys.idKey = AppInfo::idKey(app.id());
        keys.lastAccessedKey = SortComparator::dateSortKey(app.lastAccessedSortDate());
        keys.lastReviewedKey = SortComparator::dateSortKey(app.lastReviewedSortDate());
        cache.records.push_back(std::move(keys));
    }
    return cache;
}

// Collation keys cost more than everything else together, and only a sort by name needs them.
void AppModel::ensureNameKeys() const
{
    KeyCache& cache = *m_keyCache;
    if (cache.hasNameKeys)
        return;
    for (size_t i = 0; i < cache.records.size(); ++i)
        cache.records[i].nameKey = SortComparator::nameSortKey(m_apps[qsizetype(i)].name());
    cache.hasNameKeys = true;
}

QList<AppInfo> AppModel::visibleApps() const
{
    const KeyCache& cache = keyCache();
    const QString query = TextSearch::fold(m_searchQuery);

    std::vector<qsizetype> rows;
    rows.reserve(m_apps.size());
    for (qsizetype i = 0; i < m_apps.size(); ++i) {
        const RecordKeys& keys = cache.records[size_t(i)];
        if (!m_searchQuery.isEmpty() && !TextSearch::containsFolded(keys.foldedName, query)
            && !TextSearch::containsFolded(keys.foldedID, query))
            continue;
        if (m_ignoredIDs.contains(keys.idKey) != m_showingIgnored)
            continue;
        rows.push_back(i);
    }

    const bool byName = std::any_of(m_sortOrder.cbegin(), m_sortOrder.cend(), [](const SortComparator& c) {
        return c.key() == SortComparator::Key::Name;
    });
    if (byName)
        ensureNameKeys();
    if (!m_sortOrder.isEmpty()) {
        std::stable_sort(rows.begin(), rows.end(), [&](qsizetype a, qsizetype b) {
            const RecordKeys& keysA = cache.records[size_t(a)];
            const RecordKeys& keysB = cache.records[size_t(b)];
            for (const SortComparator& comparator : m_sortOrder) {
                int result = 0;
                switch (comparator.key()) {
                case SortComparator::Key::Name:
                    result = keysA.nameKey.compare(keysB.nameKey);
                    break;
                case SortComparator::Key::LastAccessedSortDate:
                    result = compareKeys(keysA.lastAccessedKey, keysB.lastAccessedKey);
                    break;
                case SortComparator::Key::LastReviewedSortDate:
                    result = compareKeys(keysA.lastReviewedKey, keysB.lastReviewedKey);
                    break;
                }
                if (result != 0)
                    return comparator.order() == Qt::DescendingOrder ? result > 0 : result < 0;
            }
            return false;
        });
    }

    QList<AppInfo> visible;
    visible.reserve(qsizetype(rows.size()));
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
    auto* watcher = new QFutureWatcher<AppScanner::Result>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        // A task that never ran (its pool was cleared) brings no list; treat it as a scan that
        // could not read anything rather than leave the model scanning for ever.
        const QFuture<AppScanner::Result> future = watcher->future();
        applyScanResult(future.resultCount() > 0 ? future.result() : AppScanner::Result { {}, false });
    });
    // The worker gets copies only: it must never reach the model, which may be gone by the time
    // the scan ends.
    watcher->setFuture(QtConcurrent::run(
        [sources = m_sources, reviewDates] { return AppSource::scanAll(sources, reviewDates); }));
}

void AppModel::applyScanResult(AppScanner::Result result)
{
    // Everything changes before anyone hears of it, so that no observer sees the new catalogue
    // with the ignore list it is about to replace, or runs in between the steps.
    m_apps = std::move(result.apps);
    m_keyCache->valid = false;

    // An empty or incomplete result usually means a folder could not be read, not that every
    // application was removed: pruning then would erase the user's ignore list and review dates.
    if (result.complete && !m_apps.isEmpty()) {
        QSet<QString> installedIDs;
        installedIDs.reserve(m_apps.size());
        for (const AppInfo& app : std::as_const(m_apps))
            installedIDs.insert(AppInfo::idKey(app.id()));
        m_preferences.pruneReviewDates(installedIDs);
        m_preferences.pruneIgnoredIDs(installedIDs);
    }

    const QSet<QString> ignoredIDs = AppInfo::idKeys(m_preferences.loadIgnoredIDs());
    const bool ignoredChanged = ignoredIDs != m_ignoredIDs;
    m_ignoredIDs = ignoredIDs;
    m_isScanning = false;

    notifyAppsChanged();
    if (ignoredChanged) {
        emit ignoredIDsChanged();
        emit visibleAppsChanged();
    }
    emit isScanningChanged();
    emit rescanFinished();
}

void AppModel::toggleMockMode()
{
    setIsMockMode(!m_isMockMode);
    QMetaObject::invokeMethod(this, &AppModel::rescan, Qt::QueuedConnection);
}

qsizetype AppModel::indexOfID(const QString& id) const
{
    const QString key = AppInfo::idKey(id);
    for (qsizetype i = 0; i < m_apps.size(); ++i) {
        if (AppInfo::idKey(m_apps[i].id()) == key)
            return i;
    }
    return -1;
}

void AppModel::reviewDateChanged(qsizetype index)
{
    KeyCache& cache = *m_keyCache;
    if (cache.valid)
        cache.records[size_t(index)].lastReviewedKey =
            SortComparator::dateSortKey(m_apps[index].lastReviewedSortDate());
    notifyAppsChanged();
}

void AppModel::recordReview(const AppInfo& app)
{
    // app may be a record of m_apps itself, which the write below changes.
    const QString id = app.id();
    m_preferences.recordReviewDate(id);
    const qsizetype index = indexOfID(id);
    if (index < 0)
        return;
    m_apps[index].setLastReviewedDate(m_preferences.reviewDate(id));
    reviewDateChanged(index);
}

// The lists below are walked as copies: each step notifies, and an observer may replace apps,
// which a caller could have passed in.

void AppModel::ignoreApps(const QList<AppInfo>& apps)
{
    changeIgnoredIDs(apps, &PreferencesService::addIgnoredID);
}

void AppModel::unignoreApps(const QList<AppInfo>& apps)
{
    changeIgnoredIDs(apps, &PreferencesService::removeIgnoredID);
}

void AppModel::changeIgnoredIDs(const QList<AppInfo>& apps,
                                void (PreferencesService::*change)(const QString&))
{
    const QList<AppInfo> targets = apps;
    if (targets.isEmpty())
        return;
    {
        // One flush to disk for the whole selection instead of one per application: with a
        // thousand rows that is the difference between a blink and seconds of a frozen window.
        const DefaultsDomain::Batch batch(m_preferences.domain());
        for (const AppInfo& app : targets) {
            (m_preferences.*change)(app.id());
            setIgnoredIDs(m_preferences.loadIgnoredIDs());
        }
    }
    // The batch's one write can fail (a full disk); then the list shows what the store kept.
    setIgnoredIDs(m_preferences.loadIgnoredIDs());
}

void AppModel::resetIgnoreList()
{
    m_preferences.clearIgnoredIDs();
    setIgnoredIDs(m_preferences.loadIgnoredIDs());
}

void AppModel::resetReviewDates(const QList<AppInfo>& apps)
{
    const QList<AppInfo> targets = apps;
    const DefaultsDomain::Batch batch(m_preferences.domain());
    for (const AppInfo& app : targets) {
        m_preferences.removeReviewDate(app.id());
        const qsizetype index = indexOfID(app.id());
        if (index < 0)
            continue;
        m_apps[index].setLastReviewedDate(std::nullopt);
        reviewDateChanged(index);
    }
}
