// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppId.h"
#include "AppInfo.h"
#include "AppSource.h"
#include "DefaultsDomain.h"
#include "SortComparator.h"
#include "VisibleOrder.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

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
    // The stores the last rescan could not read in full (see AppSource::scanAll): their
    // applications may be missing from the list, and nothing stored is pruned.
    Q_PROPERTY(QList<AppInfo::Store> incompleteStores READ incompleteStores NOTIFY incompleteStoresChanged)

public:
    // Review dates by id; none for an id without one.
    using ReviewDates = QHash<AppId, OptionalDate>;
    // The user's own reviews found online, by id.
    using OnlineReviews = QHash<AppId, OnlineReview>;

    // Loads the ignore list and queues the first rescan for the next turn of the event loop. A
    // rescan runs the sources in order (see AppSource::scanAll).
    AppModel(PreferencesService& preferences, AppSources sources, QObject* parent = nullptr);
    ~AppModel() override;

    const QList<AppInfo>& apps() const { return m_apps; }
    bool isScanning() const { return m_isScanning; }
    bool isMockMode() const { return m_isMockMode; }
    bool showingIgnored() const { return m_order.showingIgnored(); }
    const QString& searchQuery() const { return m_order.searchQuery(); }
    const SortOrder& sortOrder() const { return m_order.sortOrder(); }
    const QSet<AppId>& ignoredIDs() const { return m_order.ignoredIDs(); }
    const QString& unreadableSettingsFile() const { return m_storeTrouble.unreadableFile; }
    const QString& damagedSettingsCopy() const { return m_storeTrouble.damagedFileCopy; }
    const QList<AppInfo::Store>& incompleteStores() const { return m_incompleteStores; }

    void setApps(QList<AppInfo> apps);
    void setShowingIgnored(bool showingIgnored);
    void setSearchQuery(const QString& searchQuery);
    void setSortOrder(const SortOrder& sortOrder);

    bool isIgnored(const AppInfo& app) const;
    // The stores the catalogue lists, in the order a rescan runs them.
    const AppSources& sources() const { return m_sources; }

    // Search, then the ignore filter, then a stable sort by sortOrder; computed on every call.
    QList<AppInfo> visibleApps() const;

    // The rules of visibleApps() by position in apps(), for views that filter and sort apps()
    // themselves.
    const VisibleOrder& visibleOrder() const { return m_order; }

    // Starts a rescan unless one runs (then the request is dropped); during a refresh the catalogue
    // empties at once and the rescan starts when the refresh ends. rescanFinished() follows when
    // the new catalogue is in place.
    void rescan();
    // Scans again without showing it, for what was installed or removed meanwhile: the catalogue
    // stays, and only the records the scan found new, changed or gone come, change or go (see
    // appsAboutToBeAdded). The store is pruned as by any scan, and records the scan did not list go
    // only when it could prune. Asked for while a scan runs, it follows that scan, once for all such
    // requests; in mock mode there is nothing to refresh. refreshFinished() follows the changes.
    void refresh();
    void toggleMockMode();
    void recordReview(const AppInfo& app);
    void ignoreApps(const QList<AppInfo>& apps);
    void unignoreApps(const QList<AppInfo>& apps);
    void resetIgnoreList();
    void resetReviewDates(const QList<AppInfo>& apps);

    // What undo and redo put back. They go by id, since the records they were taken from may have
    // been replaced by a rescan since, and leave alone what they do not name.
    // The stored review dates of ids, for each id.
    ReviewDates reviewDates(const QList<AppId>& ids) const;
    // Stores the dates given (none forgets the date) in one write, and shows them in their rows.
    void restoreReviewDates(const ReviewDates& dates);
    // Adds ignore to the stored ignore list and takes unignore out of it.
    void changeIgnoredIDs(const QSet<AppId>& ignore, const QSet<AppId>& unignore);

    // What the records show of the user's reviews online (see AppInfo::onlineReview), those of
    // every later scan too; an id not in reviews shows none. Nothing of it is stored: the rows whose
    // review changed change in place.
    const OnlineReviews& onlineReviews() const { return m_onlineReviews; }
    void setOnlineReviews(OnlineReviews reviews);
    // The same for one id, as its answer comes: none forgets its review.
    void setOnlineReview(const AppId& id, std::optional<OnlineReview> review);

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
    void refreshFinished();
    void unreadableSettingsFileChanged();
    void damagedSettingsCopyChanged();
    void incompleteStoresChanged();

    // Beside appsChanged, for views that follow the catalogue change by change: a new list is about
    // to be assigned and then was (positions in apps() mean other records from then on) ...
    void appsAboutToBeReplaced();
    void catalogueReplaced();
    // ... or the records from first to last (positions in apps()) are about to go and then went ...
    void appsAboutToBeRemoved(qsizetype first, qsizetype last);
    void appsRemoved();
    // ... or records are about to come at positions first to last, the end of apps(), and came ...
    void appsAboutToBeAdded(qsizetype first, qsizetype last);
    void appsAdded();
    // ... or the records from first to last changed in place (a review date, or what a refresh read).
    void appsChangedInPlace(qsizetype first, qsizetype last);

private:
    void setIsScanning(bool isScanning);
    void setIsMockMode(bool isMockMode);
    void setIgnoredIDs(QSet<AppId> ignoredIDs);
    // Takes up what the store's last reads and writes met with its file.
    void takeStoreTrouble();
    enum class Scan { None, Rescan, Refresh };
    void startScan(Scan kind);
    void scanEnded(AppSource::Result result);
    void applyScanResult(AppSource::Result result);
    void mergeScanResult(AppSource::Result result);
    // Takes the stored review dates, which the user may have changed while the scan read the
    // stores, and the reviews found online.
    void takeReviewDates(QList<AppInfo>& apps) const;
    // With absenceKnown, prunes the store to apps and unlistedIDs; then takes up the ignore list the
    // store has, returning whether that changed.
    bool pruneAndTakeIgnoredIDs(bool absenceKnown, QSet<AppId> unlistedIDs);
    void replaceApps(QList<AppInfo> apps);
    void notifyAppsChanged();
    // The first record with id, or -1.
    qsizetype indexOfID(const AppId& id) const;
    // Sets the review date of the record at index, in place, and tells whoever listens.
    void setReviewDate(qsizetype index, const OptionalDate& date);
    // Shows review in the row at index; false when it showed it already.
    bool showOnlineReview(qsizetype index, std::optional<OnlineReview> review);

    PreferencesService& m_preferences;
    AppSources m_sources;

    QList<AppInfo> m_apps;
    bool m_isScanning = false;
    // The scan whose result is awaited, and whether a refresh is to follow it.
    Scan m_runningScan = Scan::None;
    bool m_refreshPending = false;
    bool m_applyingScan = false;
    bool m_isMockMode = false;
    // The search, the ignore list, the show-ignored switch and the sort order, with the keys they
    // compare for m_apps.
    VisibleOrder m_order;
    DefaultsDomain::Trouble m_storeTrouble;
    QList<AppInfo::Store> m_incompleteStores;
    OnlineReviews m_onlineReviews;
};
