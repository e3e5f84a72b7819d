// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FlatpakSource.h"

#include "DesktopEntry.h"
#include "FileSystem.h"
#include "FlatpakInstallations.h"
#include "FlatpakLibrary.h"
#include "ParallelLoop.h"
#include "SafeFile.h"
#include "UsageRecords.h"

#include <QStandardPaths>
#include <QUrl>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Below this many records per thread, starting a thread costs more than it saves.
constexpr qsizetype RecordsPerThread = 32;

// Flathub serves every remote of its own (stable, beta) from this host.
bool isFlathub(const QString& remoteURL)
{
    const QString host = QUrl(remoteURL).host();
    return host == u"dl.flathub.org" || host == u"flathub.org";
}

std::optional<QUrl> webPage(const FlatpakLibrary::InstalledApp& app)
{
    if (!isFlathub(app.originURL))
        return std::nullopt;
    QUrl page;
    page.setScheme(u"https"_s);
    page.setHost(u"flathub.org"_s);
    page.setPath(u"/apps/"_s + app.id);
    if (!page.isValid())
        return std::nullopt;
    return page;
}

QString displayName(const FlatpakLibrary::InstalledApp& app)
{
    if (!app.appdataName.trimmed().isEmpty())
        return app.appdataName;
    const QString entryPath =
        FileSystem::joinPath(app.deployDir, u"export/share/applications/"_s + app.id + u".desktop"_s);
    if (const std::optional<QByteArray> entry =
            SafeFile::readRegularFile(entryPath, FlatpakSource::DesktopEntryLimit)) {
        const QString name = FlatpakSource::desktopEntryName(*entry, QLocale());
        if (!name.trimmed().isEmpty())
            return name;
    }
    return app.id;
}

OptionalDate deployTime(const QString& deployDir)
{
    const FileSystem::Status status = FileSystem::status(deployDir);
    if (status.outcome != FileSystem::Outcome::Read || !status.modified.isValid())
        return std::nullopt;
    return status.modified;
}

// Per application id, the one ref to list: the first installation that has it (the user's comes
// first), and in it the current branch.
QList<FlatpakLibrary::InstalledApp> chosenRefs(const QList<FlatpakLibrary::InstalledApp>& refs)
{
    QList<FlatpakLibrary::InstalledApp> chosen;
    QHash<QString, qsizetype> indexOfID;
    for (const FlatpakLibrary::InstalledApp& ref : refs) {
        // A ref from a remote no store lists (a sideloaded bundle) is no store application.
        if (!ref.enumerableOrigin || ref.id.isEmpty())
            continue;
        const auto known = indexOfID.constFind(ref.id);
        if (known == indexOfID.cend()) {
            indexOfID.insert(ref.id, chosen.size());
            chosen.append(ref);
            continue;
        }
        FlatpakLibrary::InstalledApp& kept = chosen[*known];
        if (kept.installation == ref.installation && !kept.current && ref.current)
            kept = ref;
    }
    return chosen;
}

} // namespace

FlatpakSource::FlatpakSource(QString dataHome, QString libraryFile, std::function<void()> beforeLoading)
    : m_dataHome(dataHome.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                                    : std::move(dataHome))
    , m_libraryFile(std::move(libraryFile))
    , m_beforeLoading(std::move(beforeLoading))
{ }

QStringList FlatpakSource::watchedFolders() const
{
    // A configuration that cannot be read leaves its installations unwatched; the scans tell it.
    Completeness unused;
    QStringList folders;
    for (const FlatpakInstallations::Installation& installation : FlatpakInstallations::configured(unused))
        folders.append(FileSystem::joinPath(installation.path, u"exports/share/applications"_s));
    return folders;
}

AppSource::Result FlatpakSource::scan(const ReviewDateMap& reviewDates) const
{
    Result result;
    if (m_beforeLoading)
        m_beforeLoading();
    const FlatpakLibrary* library = FlatpakLibrary::load(m_libraryFile);
    // A library that cannot be used lists nothing, which says nothing of what is installed.
    // Only no repository anywhere is known to hold nothing.
    if (!library) {
        if (FlatpakInstallations::onDisk() != ReadOutcome::Absent)
            result.completeness.note(ReadOutcome::Failed);
        return result;
    }
    const FlatpakLibrary::Listing listing = library->installedApps();
    result.completeness.note(listing.completeness);
    const QList<FlatpakLibrary::InstalledApp> refs = chosenRefs(listing.apps);
    for (const FlatpakLibrary::InstalledApp& ref : listing.apps)
        result.unlistedIDs.insert(AppId(ref.id));
    for (const FlatpakLibrary::InstalledApp& ref : refs)
        result.unlistedIDs.remove(AppId(ref.id));
    if (refs.isEmpty())
        return result;

    // The records only lend dates: one that cannot be read leaves them out, and nothing else.
    const UsageRecords::Result usage = UsageRecords::read(m_dataHome);
    // Each application's name may come from a file of its own: the records are made on a few
    // threads, each in its application's place.
    result.apps.resize(refs.size());
    AppInfo* const records = result.apps.data();
    ParallelLoop::run(refs.size(), RecordsPerThread, [&](qsizetype i) {
        const FlatpakLibrary::InstalledApp& ref = refs.at(i);
        OptionalDate lastUse;
        if (const auto used = usage.lastUse.constFind(ref.id); used != usage.lastUse.cend())
            lastUse = *used;
        const AppId id(ref.id);
        OptionalDate lastReviewed;
        if (const auto reviewed = reviewDates.constFind(id); reviewed != reviewDates.cend())
            lastReviewed = *reviewed;
        records[i] =
            AppInfo::flatpakApp(id, displayName(ref), ref.deployDir, lastUse, deployTime(ref.deployDir),
                                lastReviewed, webPage(ref), ref.installationID);
    });
    return result;
}

QString FlatpakSource::desktopEntryName(const QByteArray& entry, const QLocale& locale)
{
    return DesktopEntry::value(entry, u"Name", locale);
}
