// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Updater.h"

#include "Appcast.h"
#include "DefaultsDomain.h"
#include "VersionComparator.h"
#include "Workspace.h"

#include <QPointer>
#include <QSysInfo>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

qint64 checkIntervalFrom(const QVariant& value)
{
    qint64 seconds = Updater::DefaultCheckInterval;
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        seconds = value.toLongLong();
        break;
    case QMetaType::ULongLong:
        seconds = std::numeric_limits<qint64>::max();
        break;
    case QMetaType::Double: {
        const double real = value.toDouble();
        if (std::isnan(real))
            break;
        // Anything beyond a century is as good as never; the bound keeps the conversion defined.
        seconds = static_cast<qint64>(std::clamp(real, 0.0, 100.0 * 365 * 24 * 60 * 60));
        break;
    }
    default:
        break;
    }
    return std::max(seconds, Updater::MinimumCheckInterval);
}

std::optional<bool> boolFrom(const QVariant& value)
{
    return value.typeId() == QMetaType::Bool ? std::optional(value.toBool()) : std::nullopt;
}

QString failureText(FeedLoader::Failure failure)
{
    switch (failure) {
    case FeedLoader::Failure::NoNetwork:
        return Updater::tr("There is no network connection, so the update server can’t be reached. Please "
                           "check the connection and try again.");
    case FeedLoader::Failure::NoAnswer:
        return Updater::tr("The update server did not answer. Please try again later.");
    case FeedLoader::Failure::Unreadable:
        break;
    }
    return Updater::tr("The update feed could not be read. Please try again later.");
}

} // namespace

Updater::Updater(std::unique_ptr<UserDriver> userDriver, std::shared_ptr<DefaultsDomain> defaults,
                 QVariantMap info, Workspace& workspace, Options options, QObject* parent)
    : QObject(parent)
    , m_userDriver(std::move(userDriver))
    , m_defaults(std::move(defaults))
    , m_info(std::move(info))
    , m_workspace(workspace)
    , m_options(std::move(options))
    , m_loader(m_options.feedPolicy, m_options.feedLimits)
{
    m_scheduleTimer.setSingleShot(true);
    connect(&m_scheduleTimer, &QTimer::timeout, this, &Updater::checkIfDue);
    connect(&m_loader, &FeedLoader::loaded, this, &Updater::onFeedLoaded);
    connect(&m_loader, &FeedLoader::failed, this, &Updater::onFeedFailed);
    m_automaticChecks = automaticChecksChoice().value_or(false);
}

Updater::~Updater() = default;

bool Updater::start()
{
    if (m_startCalled)
        return m_started;
    m_startCalled = true;

    const QVariant feed = m_info.value(u"SUFeedURL"_s);
    if (feed.typeId() == QMetaType::QString)
        m_feedUrl = QUrl(feed.toString().trimmed(), QUrl::StrictMode);
    if (!FeedLoader::isPermitted(m_feedUrl, m_options.feedPolicy))
        return false;

    m_checkInterval = checkIntervalFrom(m_info.value(u"SUScheduledCheckInterval"_s));
    const bool launchedBefore = boolFrom(m_defaults->value(HasLaunchedBeforeKey)).value_or(false);
    if (!launchedBefore)
        m_defaults->setValue(HasLaunchedBeforeKey, true);

    m_started = true;
    setCanCheckForUpdates(true);
    // As the update framework does: someone who tries the program once is not asked at all.
    if (launchedBefore && !automaticChecksChoice())
        setShouldAskPermission(true);
    if (m_automaticChecks)
        checkIfDue();
    return true;
}

void Updater::setAutomaticallyChecksForUpdates(bool value)
{
    m_defaults->setValue(AutomaticChecksKey, value);
    setShouldAskPermission(false);
    if (m_automaticChecks == value)
        return;
    m_automaticChecks = value;
    emit automaticallyChecksForUpdatesChanged(value);
    // A check already under way goes on: what it asked has been sent.
    if (!value)
        m_scheduleTimer.stop();
    else if (m_started)
        checkIfDue();
}

std::optional<bool> Updater::automaticChecksChoice() const
{
    if (const std::optional<bool> chosen = boolFrom(m_defaults->value(AutomaticChecksKey)))
        return chosen;
    return boolFrom(m_info.value(AutomaticChecksKey));
}

void Updater::setShouldAskPermission(bool value)
{
    if (m_shouldAskPermission == value)
        return;
    m_shouldAskPermission = value;
    emit shouldAskPermissionChanged(value);
}

void Updater::checkForUpdates()
{
    if (m_canCheckForUpdates)
        beginCheck(CheckKind::UserInitiated);
}

void Updater::setCanCheckForUpdates(bool value)
{
    if (m_canCheckForUpdates == value)
        return;
    m_canCheckForUpdates = value;
    emit canCheckForUpdatesChanged(value);
}

void Updater::beginCheck(CheckKind kind)
{
    m_scheduleTimer.stop();
    m_currentCheck = kind;
    // Counting the attempt rather than the success keeps a feed that is down from being asked
    // again every time the schedule wakes.
    m_defaults->setValue(LastCheckTimeKey, QDateTime::currentDateTimeUtc());
    setCanCheckForUpdates(false);
    m_loader.load(m_feedUrl);
}

void Updater::onFeedLoaded(const QByteArray& body)
{
    const bool userInitiated = m_currentCheck == CheckKind::UserInitiated;
    const std::optional<Appcast> appcast = Appcast::parse(body);
    if (!appcast) {
        if (userInitiated)
            m_userDriver->showError(failureText(FeedLoader::Failure::Unreadable));
        finishCheck();
        return;
    }

    const QString systemVersion = m_options.systemVersion.value_or(QSysInfo::productVersion());
    const std::optional<AppcastItem> item = appcast->newestApplicableItem(systemVersion);
    const QVariant running = m_info.value(u"CFBundleVersion"_s);
    const QString version = running.typeId() == QMetaType::QString ? running.toString().trimmed() : QString();
    if (!item || !VersionComparator::isNewer(item->version, version)) {
        if (userInitiated)
            m_userDriver->showUpToDate();
        finishCheck();
        return;
    }

    const QVariant skipped = m_defaults->value(SkippedVersionKey);
    const bool isSkipped = skipped.typeId() == QMetaType::QString && !skipped.toString().isEmpty()
        && !VersionComparator::isNewer(item->version, skipped.toString());
    if (userInitiated || !isSkipped) {
        m_userDriver->showUpdateFound(
            *item, [self = QPointer<Updater>(this), found = *item](UserDriver::UpdateChoice choice) {
                if (self)
                    self->applyChoice(found, choice);
            });
    }
    finishCheck();
}

void Updater::onFeedFailed(FeedLoader::Failure failure)
{
    if (m_currentCheck == CheckKind::UserInitiated)
        m_userDriver->showError(failureText(failure));
    finishCheck();
}

void Updater::finishCheck()
{
    m_currentCheck.reset();
    setCanCheckForUpdates(true);
    scheduleNextCheck();
}

void Updater::applyChoice(const AppcastItem& item, UserDriver::UpdateChoice choice)
{
    switch (choice) {
    case UserDriver::UpdateChoice::Download:
        // The page or file is handed to the desktop; the program itself fetches and runs nothing.
        if (const QUrl address = item.downloadAddress(); !address.isEmpty())
            m_workspace.openUrl(address, nullptr, {});
        break;
    case UserDriver::UpdateChoice::Skip:
        m_defaults->setValue(SkippedVersionKey, item.version);
        break;
    case UserDriver::UpdateChoice::RemindLater:
        break;
    }
}

std::optional<QDateTime> Updater::lastCheckTime() const
{
    const QVariant value = m_defaults->value(LastCheckTimeKey);
    if (value.typeId() != QMetaType::QDateTime || !value.toDateTime().isValid())
        return std::nullopt;
    return value.toDateTime();
}

bool Updater::isCheckDue() const
{
    const std::optional<QDateTime> last = lastCheckTime();
    if (!last)
        return true;
    // A last check in the future means the clock was wrong at the time; waiting for it could take
    // arbitrarily long.
    const qint64 elapsed = last->secsTo(QDateTime::currentDateTimeUtc());
    return elapsed < 0 || elapsed >= m_checkInterval;
}

void Updater::scheduleNextCheck()
{
    if (!m_started || !m_automaticChecks)
        return;
    qint64 wait = 0;
    if (const std::optional<QDateTime> last = lastCheckTime()) {
        const qint64 elapsed = last->secsTo(QDateTime::currentDateTimeUtc());
        if (elapsed >= 0)
            wait = m_checkInterval - elapsed;
    }
    // Waking at least hourly and reading the last check time afresh keeps the schedule right when
    // the machine slept, the clock changed or another instance of the program checked meanwhile.
    wait = std::clamp<qint64>(wait, 0, MinimumCheckInterval);
    m_scheduleTimer.start(std::chrono::seconds(wait));
}

void Updater::checkIfDue()
{
    if (m_currentCheck)
        return;
    if (isCheckDue())
        beginCheck(CheckKind::Background);
    else
        scheduleNextCheck();
}
