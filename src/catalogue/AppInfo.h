// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppId.h"
#include "OnlineReview.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

using OptionalDate = std::optional<QDateTime>;

// One installed store application: a plain value identified by its id. Only the review date and
// the user's review found online change after creation; the derived values are computed afresh on
// every read.
class AppInfo
{
    Q_DECLARE_TR_FUNCTIONS(AppInfo)

public:
    // Where the application came from, which decides where it is reviewed.
    enum class Store { AppStore, Flatpak, Snap, Distribution };

    // A record of nothing, without an id; what a view reads where there is no row.
    AppInfo() = default;
    // An App Store application.
    AppInfo(AppId id, QString name, QString bundlePath, QString adamID, OptionalDate lastAccessedDate,
            OptionalDate modificationDate, OptionalDate lastReviewedDate);

    // A Flatpak application: no App Store id; bundlePath is its deploy folder, webPage the
    // remote's page of the application when it has one, and installation the id of the Flatpak
    // installation that holds it: empty for the user's, "default" for the system's, else the one
    // installations.d gives.
    static AppInfo flatpakApp(AppId id, QString name, QString deployPath, OptionalDate lastAccessedDate,
                              OptionalDate modificationDate, OptionalDate lastReviewedDate,
                              std::optional<QUrl> webPage, QString installation = {});
    // A snap from the Snap Store, listed under the id "snap:<snapName>", which no Flatpak id or
    // bundle identifier can take. bundlePath is its desktop entry, whose icon stands for it, and
    // storePage its page on the store's web site. snapID is the store's id of the snap and
    // commonIDs the AppStream ids its publisher gave it, under which its reviews are kept.
    static AppInfo snapApp(const QString& snapName, QString name, QString desktopEntryPath,
                           OptionalDate lastAccessedDate, OptionalDate modificationDate,
                           OptionalDate lastReviewedDate, std::optional<QUrl> storePage, QString snapID = {},
                           QStringList commonIDs = {});
    // An application the distribution's packages installed, under its AppStream id (which is
    // also its id as a Flatpak). bundlePath is its desktop entry, whose icon stands for it; it has
    // no web page.
    static AppInfo distributionApp(AppId id, QString name, QString desktopEntryPath,
                                   OptionalDate lastAccessedDate, OptionalDate modificationDate,
                                   OptionalDate lastReviewedDate);

    const AppId& id() const { return m_id; }
    const QString& name() const { return m_name; }
    const QString& bundlePath() const { return m_bundlePath; }
    const QString& adamID() const { return m_adamID; }
    const OptionalDate& lastAccessedDate() const { return m_lastAccessedDate; }
    const OptionalDate& modificationDate() const { return m_modificationDate; }
    const OptionalDate& lastReviewedDate() const { return m_lastReviewedDate; }
    Store store() const { return m_store; }
    // A snap's id in the Snap Store and its AppStream ids; empty for the other stores.
    const QString& snapID() const { return details().snapID; }
    const QStringList& commonIDs() const { return details().commonIDs; }
    void setLastReviewedDate(OptionalDate date) { m_lastReviewedDate = std::move(date); }
    // The user's own review on the ratings service, as last found there; never stored with the
    // review date, which stays what the user did in Kudora.
    const std::optional<OnlineReview>& onlineReview() const { return details().onlineReview; }
    void setOnlineReview(std::optional<OnlineReview> review);
    // The newer of the review date and the online review's date: when the user last reviewed it.
    OptionalDate shownReviewDate() const;
    // Whether shownReviewDate() is the online review's.
    bool showsOnlineReview() const;

    // The store's name: "App Store", "Flatpak", "Snap" or "Distribution".
    static QString storeName(Store store);
    // Where the application comes from, in one line: its store, a Flatpak's installation, and the
    // id the store knows it by ("Flatpak · system installation · org.example.Cafe").
    QString originText() const;

    // Sort keys: an absent date stands as distantPast().
    QDateTime lastAccessedSortDate() const;
    QDateTime lastReviewedSortDate() const;

    // The last-use date (else the modification date) as a medium date without time in the user's
    // locale and time zone; "—" when there is neither.
    QString lastAccessedText() const;
    // What a screen reader says for it, which says what the date is: "Last used Mar 30, 2026",
    // "Installed Mar 21, 2026, never used" or "Never used".
    QString lastAccessedSpokenText() const;

    // "Never", or shownReviewDate() relative to now in words ("8 minutes ago", "yesterday").
    QString lastReviewedText() const;
    QString lastReviewedText(const QDateTime& now) const;
    // The online review's stars out of five ("★★★★☆") and as said ("4 of 5 stars"); empty without
    // one.
    QString ratingText() const;
    QString ratingSpokenText() const;
    // Which date shownReviewDate() is: "Your review of 3 March 2025: “Great for notes”", "You
    // opened its store page on …; no review by you has been found", or empty for neither.
    QString reviewDateTip() const;
    // Whole stars, 1 to 5, of a rating of 1 to 100 as the service keeps it.
    static int starsOf(int rating);

    // Where the application is reviewed. For the App Store its page there, nothing when adamID is
    // not decimal digits with at most one leading "+". For Flatpak the software centre's page,
    // "appstream:<id>": the form without "//" keeps the id's case, which a host part would lose;
    // a distribution application's is the same.
    // For a snap "snap://<name>", which the software centres with snap support open; nothing when
    // the name is not a snap name.
    std::optional<QUrl> reviewURL() const;
    // The web page to open instead when the desktop cannot open reviewURL().
    std::optional<QUrl> reviewFallbackURL() const;

    // The first instant of year 1: earlier than every real date, never shown.
    static QDateTime distantPast();

    friend bool operator==(const AppInfo&, const AppInfo&) = default;

private:
    // What only some records hold: one store's ids, a review found online. Shared between copies
    // and absent when empty, since a record is copied for every view of the list and most records
    // hold little or none of it.
    struct Details
    {
        QString snapID;
        QStringList commonIDs;
        QString installation;
        std::optional<OnlineReview> onlineReview;
        friend bool operator==(const Details&, const Details&) = default;
    };
    // Compares what it holds, so that records compare by value.
    struct SharedDetails
    {
        std::shared_ptr<const Details> held;
        const Details& operator*() const;
        friend bool operator==(const SharedDetails& a, const SharedDetails& b) { return *a == *b; }
    };
    const Details& details() const { return *m_details; }
    Details& detailsToChange();

    AppId m_id;
    QString m_name;
    QString m_bundlePath;
    QString m_adamID;
    OptionalDate m_lastAccessedDate;
    OptionalDate m_modificationDate;
    OptionalDate m_lastReviewedDate;
    Store m_store = Store::AppStore;
    std::optional<QUrl> m_webPage;
    SharedDetails m_details;
};
