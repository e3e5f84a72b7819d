// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FeedLoader.h"
#include "UserDriver.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

#include <memory>
#include <optional>

class DefaultsDomain;
class Workspace;

// How an updater fetches and judges its feed. The defaults are those of the shipped program.
struct UpdaterOptions
{
    FeedLoader::Policy feedPolicy = FeedLoader::Policy::HttpsOnly;
    FeedLoader::Limits feedLimits;
    // The running system's version that items' minimum system versions are compared with;
    // QSysInfo::productVersion() when absent.
    std::optional<QString> systemVersion;
};

// Checks the appcast feed for newer versions of the program.
//
// Its configuration comes from the program's information dictionary: "SUFeedURL" (an https
// address), "SUScheduledCheckInterval" (seconds, one day when absent, never under one hour) and,
// for a program that opts its users in, "SUEnableAutomaticChecks" (boolean); feed versions are
// compared with its "CFBundleVersion". What it remembers lives in the program's defaults domain
// under its own keys: "SULastCheckTime" (date), "SUSkippedVersion" (text), "SUHasLaunchedBefore"
// (boolean, set by the first start) and the person's own "SUEnableAutomaticChecks" (boolean),
// which wins over the dictionary's.
//
// Automatic checks need someone's yes: without one, stored or in the dictionary, the updater sends
// nothing by itself. The first start only counts the launch; from the second on, as long as nobody
// decided, shouldAskPermission is true until automaticallyChecksForUpdates is set, whatever to.
//
// canCheckForUpdates is false until start(), stays false for good when start() finds no usable
// feed address, is false while a check fetches the feed and turns true again once the check's
// result is shown. Automatic checks run at start and then whenever the last check is older than
// the interval; they show nothing unless they find an update that was not skipped. The updater only
// ever opens an https web page through the workspace: nothing the feed names is downloaded or run.
class Updater : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
                   setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)
    Q_PROPERTY(bool shouldAskPermission READ shouldAskPermission NOTIFY shouldAskPermissionChanged)

public:
    static inline const QString LastCheckTimeKey = QStringLiteral("SULastCheckTime");
    static inline const QString SkippedVersionKey = QStringLiteral("SUSkippedVersion");
    static inline const QString HasLaunchedBeforeKey = QStringLiteral("SUHasLaunchedBefore");
    static inline const QString AutomaticChecksKey = QStringLiteral("SUEnableAutomaticChecks");

    static constexpr qint64 DefaultCheckInterval = 24 * 60 * 60;
    static constexpr qint64 MinimumCheckInterval = 60 * 60;

    using Options = UpdaterOptions;

    // workspace opens the download page; it must outlive the updater.
    Updater(std::unique_ptr<UserDriver> userDriver, std::shared_ptr<DefaultsDomain> defaults,
            QVariantMap info, Workspace& workspace, Options options = {}, QObject* parent = nullptr);
    ~Updater() override;

    // Reads the configuration, counts the launch and, when automatic checks are on, starts the
    // schedule. False when there is no usable feed address; the updater then never checks and
    // counts nothing. Only the first call counts.
    bool start();

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

    // What shows the results, for the program to tell it where (see StandardUserDriver).
    UserDriver& userDriver() const { return *m_userDriver; }

    // Whether the updater checks by itself on its schedule. Setting it stores the person's choice,
    // also when it equals the value before (which answers shouldAskPermission), and starts or
    // stops the schedule.
    bool automaticallyChecksForUpdates() const { return m_automaticChecks; }
    void setAutomaticallyChecksForUpdates(bool value);

    // Whether the person should now be asked if the updater may check by itself.
    bool shouldAskPermission() const { return m_shouldAskPermission; }

    // A check that the person asked for: its result is shown whatever it is. Ignored while
    // canCheckForUpdates is false.
    void checkForUpdates();

signals:
    void canCheckForUpdatesChanged(bool canCheckForUpdates);
    void automaticallyChecksForUpdatesChanged(bool automaticallyChecksForUpdates);
    void shouldAskPermissionChanged(bool shouldAskPermission);

private:
    enum class CheckKind { UserInitiated, Background };

    void setCanCheckForUpdates(bool value);
    void beginCheck(CheckKind kind);
    void onFeedLoaded(const QByteArray& body);
    void onFeedFailed(FeedLoader::Failure failure);
    void setShouldAskPermission(bool value);
    // The person's choice, else the program's; none while nobody decided.
    std::optional<bool> automaticChecksChoice() const;
    void finishCheck();
    void scheduleNextCheck();
    // Begins a background check when one is due, else waits for the next.
    void checkIfDue();
    bool isCheckDue() const;
    std::optional<QDateTime> lastCheckTime() const;
    void applyChoice(const AppcastItem& item, UserDriver::UpdateChoice choice);

    std::unique_ptr<UserDriver> m_userDriver;
    std::shared_ptr<DefaultsDomain> m_defaults;
    QVariantMap m_info;
    Workspace& m_workspace;
    Options m_options;
    FeedLoader m_loader;
    QTimer m_scheduleTimer;
    QUrl m_feedUrl;
    qint64 m_checkInterval = DefaultCheckInterval;
    bool m_automaticChecks = false;
    bool m_startCalled = false;
    bool m_started = false;
    bool m_canCheckForUpdates = false;
    bool m_shouldAskPermission = false;
    std::optional<CheckKind> m_currentCheck;
};
