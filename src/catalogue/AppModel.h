#pragma once

#include "AppInfo.h"
#include "AppScanner.h"
#include "DefaultsDomain.h"
#include "SortComparator.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class PreferencesService;

// The catalogue the user sees and changes. Belongs to the main thread; only the scanner of a real
// rescan runs elsewhere. Every stored property has its own change signal, and assigning an equal
// value emits nothing, except apps, which notifies on every assignment and every in-place change of
// a record. visibleAppsChanged fires whenever any input of visibleApps() changed.
class AppModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY isScanningChanged)
    Q_PROPERTY(bool isMockMode READ isMockMode NOTIFY isMockModeChanged)
    Q_PROPERTY(bool showingIgnored READ showingIgnored WRITE setShowingIgnored NOTIFY showingIgnoredChanged)
    Q_PROPERTY(QString searchQuery READ searchQuery WRITE setSearchQuery NOTIFY searchQueryChanged)
    // The settings file the store could not read, so that nothing is saved this session; empty
    // while all is well.
    Q_PROPERTY(
        QString unreadableSettingsFile READ unreadableSettingsFile NOTIFY unreadableSettingsFileChanged)
    // Where the store kept a damaged settings file it moved aside; empty when it moved none.
    Q_PROPERTY(QString damagedSettingsCopy READ damagedSettingsCopy NOTIFY damagedSettingsCopyChanged)

public:
    // Loads the ignore list and queues the first rescan for the next turn of the event loop. A
    // rescan runs the sources in order (see AppSource::scanAll).
    AppModel(PreferencesService& preferences, AppSources sources, QObject* parent = nullptr);
    // The App Store applications alone.
    explicit AppModel(PreferencesService& preferences, AppScanner scanner = AppScanner(),
                      QObject* parent = nullptr);
    ~AppModel() override;

    const QList<AppInfo>& apps() const { return m_apps; }
    bool isScanning() const { return m_isScanning; }
    bool isMockMode() const { return m_isMockMode; }
    bool showingIgnored() const { return m_showingIgnored; }
    const QString& searchQuery() const { return m_searchQuery; }
    const SortOrder& sortOrder() const { return m_sortOrder; }
    // Ids in their AppInfo::idKey form.
    const QSet<QString>& ignoredIDs() const { return m_ignoredIDs; }
    const QString& unreadableSettingsFile() const { return m_storeTrouble.unreadableFile; }
    const QString& damagedSettingsCopy() const { return m_storeTrouble.damagedFileCopy; }

    void setApps(QList<AppInfo> apps);
    void setShowingIgnored(bool showingIgnored);
    void setSearchQuery(const QString& searchQuery);
    void setSortOrder(const SortOrder& sortOrder);

    bool isIgnored(const AppInfo& app) const;

    // Search, then the ignore filter, then a stable sort by sortOrder; computed on every call.
    QList<AppInfo> visibleApps() const;

    // For views that follow the list change by change rather than read it anew: the rows of
    // visibleApps() as positions in apps(), and the rules that make them.
    QList<qsizetype> visibleIndexes() const;
    // Whether apps().at(index) passes the search and the ignore filter.
    bool isVisibleIndex(qsizetype index) const;
    // Whether apps().at(a) comes before apps().at(b) in visibleApps() (as both would if visible).
    bool sortsBefore(qsizetype a, qsizetype b) const;
    // Puts positions in apps() into the order of visibleApps().
    void sortIndexes(QList<qsizetype>& indexes) const;
    // The positions in apps() of the records whose ids (idKey form) are in idKeys, ascending.
    QList<qsizetype> indexesOfIDs(const QSet<QString>& idKeys) const;

    // Starts a rescan unless one runs (then the request is dropped). rescanFinished() follows when
    // the new catalogue is in place.
    void rescan();
    void toggleMockMode();
    void recordReview(const AppInfo& app);
    void ignoreApps(const QList<AppInfo>& apps);
    void unignoreApps(const QList<AppInfo>& apps);
    void resetIgnoreList();
    void resetReviewDates(const QList<AppInfo>& apps);

signals:
    void appsChanged();
    void isScanningChanged();
    void isMockModeChanged();
    void showingIgnoredChanged();
    void searchQueryChanged();
    void sortOrderChanged();
    void ignoredIDsChanged();
    void visibleAppsChanged();
    void rescanFinished();
    void unreadableSettingsFileChanged();
    void damagedSettingsCopyChanged();

    // Beside appsChanged, for views that follow the catalogue change by change: a new list was
    // assigned (positions in apps() mean other records now) ...
    void catalogueReplaced();
    // ... or the review date of apps().at(index) changed in place.
    void reviewDateChanged(qsizetype index);
    // Beside ignoredIDsChanged: the ids (idKey form) that entered and left the set, once per
    // operation, after the last of its ignoredIDsChanged.
    void ignoredIDsEdited(const QSet<QString>& added, const QSet<QString>& removed);

private:
    // Adds or removes (change) the ids of apps in the stored ignore list, all in one change.
    void changeIgnoredIDs(const QList<AppInfo>& apps, void (PreferencesService::*change)(const QStringList&));
    void setIsScanning(bool isScanning);
    void setIsMockMode(bool isMockMode);
    void setIgnoredIDs(QSet<QString> ignoredIDs);
    // Takes up what the store's last reads and writes met with its file.
    void takeStoreTrouble();
    void applyScanResult(AppScanner::Result result);
    void replaceApps(QList<AppInfo> apps);
    void notifyAppsChanged();
    // The record with an id canonically equal to id, or -1.
    qsizetype indexOfID(const QString& id) const;
    // Sets the review date of the record at index, in place, and tells whoever listens.
    void setReviewDate(qsizetype index, const OptionalDate& date);

    // Per record of m_apps, the forms that search, filter and sort compare, so that a read of
    // visibleApps() folds and collates nothing but the query. Built on the first read after apps
    // was assigned, and again when the user's locale has changed since.
    struct RecordKeys;
    struct KeyCache;
    const KeyCache& keyCache() const;
    void ensureNameKeys() const;
    bool sortsByName() const;
    // visibleApps()' order, with ties broken by the position in apps() as a stable sort keeps them.
    bool lessThan(const KeyCache& cache, qsizetype a, qsizetype b) const;
    bool passes(const KeyCache& cache, const QString& foldedQuery, qsizetype index) const;

    PreferencesService& m_preferences;
    AppSources m_sources;

    QList<AppInfo> m_apps;
    bool m_isScanning = false;
    bool m_isMockMode = false;
    bool m_showingIgnored = false;
    QString m_searchQuery;
    SortOrder m_sortOrder { SortComparator(SortComparator::Key::LastAccessedSortDate, Qt::DescendingOrder) };
    QSet<QString> m_ignoredIDs;
    DefaultsDomain::Trouble m_storeTrouble;
    // While an operation changes the ignore list step by step: the set before its first step.
    std::optional<QSet<QString>> m_ignoredIDsBefore;

    std::unique_ptr<KeyCache> m_keyCache;
};
