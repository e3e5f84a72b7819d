// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppInfo.h"

#include "DateTexts.h"

#include <QStringList>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// A date that is present but invalid cannot be shown or ordered, so it counts as absent.
const QDateTime* usable(const OptionalDate& date)
{
    return date && date->isValid() ? &*date : nullptr;
}

bool isStoreNumber(const QString& adamID)
{
    const qsizetype start = adamID.startsWith(u'+') ? 1 : 0;
    if (adamID.size() == start)
        return false;
    for (qsizetype i = start; i < adamID.size(); ++i) {
        if (adamID.at(i) < u'0' || adamID.at(i) > u'9')
            return false;
    }
    return true;
}

// Flatpak ids are dot-separated names of ASCII letters, digits, "_" and "-"; anything else could
// reach the software centre as more than an id.
bool isFlatpakID(const QString& id)
{
    if (id.isEmpty() || id.size() > 255 || id.startsWith(u'.') || id.endsWith(u'.') || id.contains(u".."_s))
        return false;
    return std::all_of(id.cbegin(), id.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'.'
            || c == u'_' || c == u'-';
    });
}

// A view of a literal, not a QString: records may be made while other files' statics are still
// being constructed, before a QString of this file would be.
constexpr QStringView SnapPrefix = u"snap:";

bool isSnapNameCharacter(QChar c, bool hyphen)
{
    return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || (hyphen && c == u'-');
}

// The store's name of a snap: lower-case ASCII letters, digits and inner hyphens. A parallel
// install adds "_" and an instance key of its own, which the store does not know.
std::optional<QString> storeSnapName(QStringView id)
{
    if (!id.startsWith(SnapPrefix))
        return std::nullopt;
    QStringView name = id.mid(SnapPrefix.size());
    if (const qsizetype underscore = name.indexOf(u'_'); underscore >= 0) {
        const QStringView key = name.mid(underscore + 1);
        if (key.isEmpty() || key.size() > 10
            || !std::all_of(key.cbegin(), key.cend(), [](QChar c) { return isSnapNameCharacter(c, false); }))
            return std::nullopt;
        name = name.left(underscore);
    }
    if (name.isEmpty() || name.size() > 40 || name.startsWith(u'-') || name.endsWith(u'-')
        || !std::all_of(name.cbegin(), name.cend(), [](QChar c) { return isSnapNameCharacter(c, true); }))
        return std::nullopt;
    return name.toString();
}

} // namespace

AppInfo::AppInfo(AppId id, QString name, QString bundlePath, QString adamID, OptionalDate lastAccessedDate,
                 OptionalDate modificationDate, OptionalDate lastReviewedDate)
    : m_id(std::move(id))
    , m_name(std::move(name))
    , m_bundlePath(std::move(bundlePath))
    , m_adamID(std::move(adamID))
    , m_lastAccessedDate(std::move(lastAccessedDate))
    , m_modificationDate(std::move(modificationDate))
    , m_lastReviewedDate(std::move(lastReviewedDate))
{ }

AppInfo AppInfo::flatpakApp(AppId id, QString name, QString deployPath, OptionalDate lastAccessedDate,
                            OptionalDate modificationDate, OptionalDate lastReviewedDate,
                            std::optional<QUrl> webPage, QString installation)
{
    AppInfo app(std::move(id), std::move(name), std::move(deployPath), QString(), std::move(lastAccessedDate),
                std::move(modificationDate), std::move(lastReviewedDate));
    app.m_store = Store::Flatpak;
    app.m_webPage = std::move(webPage);
    if (!installation.isEmpty())
        app.detailsToChange().installation = std::move(installation);
    return app;
}

AppInfo AppInfo::snapApp(const QString& snapName, QString name, QString desktopEntryPath,
                         OptionalDate lastAccessedDate, OptionalDate modificationDate,
                         OptionalDate lastReviewedDate, std::optional<QUrl> storePage, QString snapID,
                         QStringList commonIDs)
{
    AppInfo app(AppId(SnapPrefix.toString() + snapName), std::move(name), std::move(desktopEntryPath),
                QString(), std::move(lastAccessedDate), std::move(modificationDate),
                std::move(lastReviewedDate));
    app.m_store = Store::Snap;
    app.m_webPage = std::move(storePage);
    if (!snapID.isEmpty() || !commonIDs.isEmpty()) {
        Details& details = app.detailsToChange();
        details.snapID = std::move(snapID);
        details.commonIDs = std::move(commonIDs);
    }
    return app;
}

AppInfo AppInfo::distributionApp(AppId id, QString name, QString desktopEntryPath,
                                 OptionalDate lastAccessedDate, OptionalDate modificationDate,
                                 OptionalDate lastReviewedDate)
{
    AppInfo app(std::move(id), std::move(name), std::move(desktopEntryPath), QString(),
                std::move(lastAccessedDate), std::move(modificationDate), std::move(lastReviewedDate));
    app.m_store = Store::Distribution;
    return app;
}

QString AppInfo::storeName(Store store)
{
    switch (store) {
    case Store::AppStore:
        return tr("App Store");
    case Store::Flatpak:
        return tr("Flatpak");
    case Store::Snap:
        return tr("Snap");
    case Store::Distribution:
        return tr("Distribution");
    }
    return {};
}

QString AppInfo::originText() const
{
    QStringList parts { storeName(m_store) };
    if (m_store == Store::Flatpak) {
        if (details().installation.isEmpty())
            parts.append(tr("user installation"));
        else if (details().installation == u"default")
            parts.append(tr("system installation"));
        else
            parts.append(tr("installation “%1”").arg(details().installation));
    }
    // The snap's own name: the prefix only keeps its id apart from the other stores'.
    const QString& id = m_id.text();
    parts.append(m_store == Store::Snap && id.startsWith(SnapPrefix) ? id.mid(SnapPrefix.size()) : id);
    return parts.join(u" "_s + tr("·") + u' ');
}

QDateTime AppInfo::lastAccessedSortDate() const
{
    if (const QDateTime* date = usable(m_lastAccessedDate))
        return *date;
    if (const QDateTime* date = usable(m_modificationDate))
        return *date;
    return distantPast();
}

OptionalDate AppInfo::shownReviewDate() const
{
    const QDateTime* recorded = usable(m_lastReviewedDate);
    const QDateTime* online = details().onlineReview ? usable(details().onlineReview->date) : nullptr;
    if (recorded && (!online || *online <= *recorded))
        return *recorded;
    if (online)
        return *online;
    return std::nullopt;
}

bool AppInfo::showsOnlineReview() const
{
    const QDateTime* recorded = usable(m_lastReviewedDate);
    const QDateTime* online = details().onlineReview ? usable(details().onlineReview->date) : nullptr;
    return online && (!recorded || *recorded < *online);
}

QDateTime AppInfo::lastReviewedSortDate() const
{
    return shownReviewDate().value_or(distantPast());
}

QString AppInfo::lastAccessedText() const
{
    const QDateTime* date = usable(m_lastAccessedDate);
    if (!date)
        date = usable(m_modificationDate);
    if (!date)
        return tr("—");
    return DateTexts::mediumDate(*date);
}

QString AppInfo::lastAccessedSpokenText() const
{
    if (const QDateTime* date = usable(m_lastAccessedDate))
        return tr("Last used %1").arg(DateTexts::mediumDate(*date));
    // The version installed came then: the bundle changed, or the package or deploy folder came.
    if (const QDateTime* date = usable(m_modificationDate))
        return tr("Installed %1, never used").arg(DateTexts::mediumDate(*date));
    return tr("Never used");
}

QString AppInfo::lastReviewedText() const
{
    return lastReviewedText(QDateTime::currentDateTimeUtc());
}

QString AppInfo::lastReviewedText(const QDateTime& now) const
{
    const OptionalDate date = shownReviewDate();
    if (!date)
        return tr("Never");
    return DateTexts::relative(*date, now);
}

int AppInfo::starsOf(int rating)
{
    // The software centres write a rating of stars × 20; a rating between two counts rounds.
    return std::clamp((rating + 10) / 20, 1, 5);
}

QString AppInfo::ratingText() const
{
    if (!details().onlineReview)
        return {};
    const int stars = starsOf(details().onlineReview->rating);
    return QString(stars, u'★') + QString(5 - stars, u'☆');
}

QString AppInfo::ratingSpokenText() const
{
    if (!details().onlineReview)
        return {};
    return tr("%1 of 5 stars").arg(starsOf(details().onlineReview->rating));
}

QString AppInfo::reviewDateTip() const
{
    if (showsOnlineReview())
        return tr("Your review of %1: “%2”")
            .arg(DateTexts::mediumDate(details().onlineReview->date), details().onlineReview->summary);
    if (const QDateTime* recorded = usable(m_lastReviewedDate)) {
        if (details().onlineReview)
            return tr("You opened its store page on %1, after your review of %2")
                .arg(DateTexts::mediumDate(*recorded), DateTexts::mediumDate(details().onlineReview->date));
        return tr("You opened its store page on %1; no review by you has been found")
            .arg(DateTexts::mediumDate(*recorded));
    }
    return {};
}

std::optional<QUrl> AppInfo::reviewURL() const
{
    if (m_store == Store::Snap) {
        const std::optional<QString> name = storeSnapName(m_id.text());
        if (!name)
            return std::nullopt;
        return QUrl(u"snap://"_s + *name, QUrl::StrictMode);
    }
    if (m_store == Store::Flatpak || m_store == Store::Distribution) {
        if (!isFlatpakID(m_id.text()))
            return std::nullopt;
        return QUrl(u"appstream:"_s + m_id.text(), QUrl::StrictMode);
    }
    if (!isStoreNumber(m_adamID))
        return std::nullopt;
    QUrl url;
    url.setScheme(u"https"_s);
    url.setHost(u"apps.apple.com"_s);
    url.setPath(u"/app/id"_s + m_adamID);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

std::optional<QUrl> AppInfo::reviewFallbackURL() const
{
    if (!m_webPage || !m_webPage->isValid() || m_webPage->scheme() != u"https")
        return std::nullopt;
    return m_webPage;
}

QDateTime AppInfo::distantPast()
{
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

const AppInfo::Details& AppInfo::SharedDetails::operator*() const
{
    static const Details none;
    return held ? *held : none;
}

AppInfo::Details& AppInfo::detailsToChange()
{
    // A copy of its own, never the part other records share.
    auto details = std::make_shared<Details>(*m_details);
    m_details.held = details;
    return *details;
}

void AppInfo::setOnlineReview(std::optional<OnlineReview> review)
{
    if (review != details().onlineReview)
        detailsToChange().onlineReview = std::move(review);
}
