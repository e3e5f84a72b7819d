// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SnapSource.h"

#include "DesktopEntry.h"
#include "SafeFile.h"
#include "SnapdClient.h"
#include "UsageRecords.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QStandardPaths>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

struct Snap
{
    QString name;
    QString title;
    // The desktop entries of its applications, in the order snapd lists them.
    QStringList desktopFiles;
    OptionalDate installed;
    std::optional<QUrl> storePage;
    QString id;
    QStringList commonIDs;
};

// A revision the store published: a positive number, as text or as a number. A snap installed
// from a file has "x1", "x2", ... instead.
bool isStoreRevision(const QJsonValue& revision)
{
    if (revision.isDouble())
        return revision.toDouble() >= 1 && revision.toDouble() == double(revision.toInteger());
    const QString text = revision.toString();
    return !text.isEmpty() && !text.startsWith(u'0')
        && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The snap as listed, or nothing when it is no store application.
std::optional<Snap> storeApplication(const QJsonObject& object)
{
    if (object.value(u"type").toString() != u"app" || object.value(u"id").toString().isEmpty()
        || !isStoreRevision(object.value(u"revision")))
        return std::nullopt;
    Snap snap;
    snap.name = object.value(u"name").toString();
    for (const QJsonValue& app : object.value(u"apps").toArray()) {
        const QString desktopFile = app.toObject().value(u"desktop-file").toString();
        if (desktopFile.startsWith(u'/') && !snap.desktopFiles.contains(desktopFile))
            snap.desktopFiles.append(desktopFile);
    }
    if (snap.name.isEmpty() || snap.desktopFiles.isEmpty())
        return std::nullopt;
    snap.title = object.value(u"title").toString();
    snap.id = object.value(u"id").toString();
    for (const QJsonValue& commonID : object.value(u"common-ids").toArray()) {
        if (!commonID.toString().isEmpty())
            snap.commonIDs.append(commonID.toString());
    }
    const QDateTime installed =
        QDateTime::fromString(object.value(u"install-date").toString(), Qt::ISODateWithMs);
    if (installed.isValid())
        snap.installed = installed.toUTC();
    const QUrl page(object.value(u"store-url").toString(), QUrl::StrictMode);
    if (page.isValid() && !page.isEmpty())
        snap.storePage = page;
    return snap;
}

QString displayName(const Snap& snap)
{
    if (!snap.title.trimmed().isEmpty())
        return snap.title;
    if (const std::optional<QByteArray> entry =
            SafeFile::readRegularFile(snap.desktopFiles.first(), DesktopEntry::FileLimit)) {
        const QString name = DesktopEntry::value(*entry, u"Name", QLocale());
        if (!name.trimmed().isEmpty())
            return name;
    }
    return snap.name;
}

// The desktops record a use under the desktop entry's file name, which is the snap's own choice
// (no longer always "<snap>_<app>.desktop"); the newest use of any of its applications counts.
OptionalDate lastUse(const Snap& snap, const UsageRecords::LastUse& records)
{
    OptionalDate newest;
    for (const QString& desktopFile : snap.desktopFiles) {
        const auto used = records.constFind(UsageRecords::applicationID(QFileInfo(desktopFile).fileName()));
        if (used != records.cend() && (!newest || *newest < *used))
            newest = *used;
    }
    return newest;
}

} // namespace

SnapSource::SnapSource(QString socketPath, QString dataHome, std::chrono::milliseconds timeLimit,
                       QString desktopFolder)
    : m_socketPath(std::move(socketPath))
    , m_dataHome(dataHome.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                                    : std::move(dataHome))
    , m_timeLimit(timeLimit)
    , m_desktopFolder(std::move(desktopFolder))
{ }

AppSource::Result SnapSource::scan(const ReviewDateMap& reviewDates) const
{
    Result result;
    // No snapd installed holds no snaps.
    const ReadResult<QJsonValue> reply =
        result.completeness.note(SnapdClient::get(m_socketPath, "/v2/snaps", m_timeLimit));
    if (!reply)
        return result;
    if (!reply->isArray()) {
        result.completeness.note(ReadOutcome::Failed);
        return result;
    }
    QList<Snap> snaps;
    for (const QJsonValue& value : reply->toArray()) {
        // Something snapd lists that is no snap at all: what it stands for cannot be known.
        if (!value.isObject()) {
            result.completeness.note(ReadOutcome::Failed);
            continue;
        }
        if (std::optional<Snap> snap = storeApplication(value.toObject()))
            snaps.append(std::move(*snap));
    }
    if (snaps.isEmpty())
        return result;

    // Usage records only add dates: one that cannot be read takes its dates along, not the list.
    const UsageRecords::Result usage = UsageRecords::read(m_dataHome);
    result.apps.reserve(snaps.size());
    for (const Snap& snap : std::as_const(snaps)) {
        AppInfo app = AppInfo::snapApp(snap.name, displayName(snap), snap.desktopFiles.first(),
                                       lastUse(snap, usage.lastUse), snap.installed, std::nullopt,
                                       snap.storePage, snap.id, snap.commonIDs);
        if (const auto reviewed = reviewDates.constFind(app.id()); reviewed != reviewDates.cend())
            app.setLastReviewedDate(*reviewed);
        result.apps.append(std::move(app));
    }
    return result;
}
