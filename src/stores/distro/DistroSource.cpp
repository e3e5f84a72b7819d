// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "DistroSource.h"

#include "AppStreamLibrary.h"
#include "Completeness.h"
#include "DesktopEntry.h"
#include "FileSystem.h"
#include "SafeFile.h"
#include "UsageRecords.h"

#include <QLocale>
#include <QSet>
#include <QStandardPaths>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Where a read's outcome becomes the source's completeness: only "not there" is absence, every
// other failure may hide an application that is installed.
ReadResult<QStringList> listFolder(const QString& path, Completeness& completeness)
{
    return completeness.note(FileSystem::listDirectory(path));
}

ReadResult<QByteArray> readFile(const QString& path, qint64 limit, Completeness& completeness)
{
    return completeness.note(SafeFile::readRegularFile(path, limit));
}

// The metainfo files of every data folder, the newer folder name before the older one, in the
// order the folders take precedence.
QStringList metainfoFiles(const QStringList& dataDirs, Completeness& completeness)
{
    QStringList files;
    for (const QString& dataDir : dataDirs) {
        for (const QString& folder : { u"metainfo"_s, u"appdata"_s }) {
            const QString path = FileSystem::joinPath(dataDir, folder);
            const std::optional<QStringList> names = listFolder(path, completeness);
            if (!names)
                continue;
            QStringList own = *names;
            // Listing order is the file system's; the scan's is the same on every run.
            own.sort();
            for (const QString& name : std::as_const(own)) {
                if (name.endsWith(u".metainfo.xml") || name.endsWith(u".appdata.xml"))
                    files.append(FileSystem::joinPath(path, name));
            }
        }
    }
    return files;
}

// The desktop file ids a component is started by: those it names, else (in metainfo older than
// the launchable tag) the one its id names.
QStringList desktopIDsOf(const AppStreamLibrary::Component& component)
{
    if (!component.desktopIDs.isEmpty())
        return component.desktopIDs;
    return { component.id.endsWith(u".desktop") ? component.id : component.id + u".desktop"_s };
}

struct Entry
{
    QString path;
    QByteArray content;
};

// The first of the desktop ids whose entry one of the applications folders holds, the folders in
// the order they take precedence.
std::optional<Entry> desktopEntry(const QStringList& desktopIDs, const QStringList& dataDirs,
                                  Completeness& completeness)
{
    for (const QString& desktopID : desktopIDs) {
        // A desktop id names a file in the folder, never a path elsewhere.
        if (desktopID.isEmpty() || desktopID.contains(u'/') || desktopID.startsWith(u'.'))
            continue;
        for (const QString& dataDir : dataDirs) {
            const QString path = FileSystem::joinPath(dataDir, u"applications/"_s + desktopID);
            if (std::optional<QByteArray> content = readFile(path, DesktopEntry::FileLimit, completeness))
                return Entry { path, std::move(*content) };
        }
    }
    return std::nullopt;
}

bool isTrue(const QByteArray& entry, QStringView key)
{
    return DesktopEntry::value(entry, key).trimmed() == u"true";
}

// Whether a desktop shows the entry among its applications, on this desktop
// ($XDG_CURRENT_DESKTOP, a list such as "ubuntu:GNOME").
bool isShown(const QByteArray& entry, const QStringList& currentDesktops)
{
    if (isTrue(entry, u"NoDisplay") || isTrue(entry, u"Hidden"))
        return false;
    const auto names = [&](QStringView key) {
        return DesktopEntry::value(entry, key).split(u';', Qt::SkipEmptyParts);
    };
    const auto current = [&](const QStringList& desktops) {
        return std::ranges::any_of(desktops, [&](const QString& d) { return currentDesktops.contains(d); });
    };
    const QStringList onlyShowIn = names(u"OnlyShowIn");
    if (!onlyShowIn.isEmpty() && !current(onlyShowIn))
        return false;
    return !current(names(u"NotShowIn"));
}

QString displayName(const AppStreamLibrary::Component& component, const QByteArray& entry)
{
    if (!component.name.trimmed().isEmpty())
        return component.name;
    const QString name = DesktopEntry::value(entry, u"Name", QLocale());
    return name.trimmed().isEmpty() ? component.id : name;
}

OptionalDate installTime(const QString& entryPath)
{
    const FileSystem::Status status = FileSystem::status(entryPath);
    if (status.outcome != FileSystem::Outcome::Read || !status.statusChanged.isValid())
        return std::nullopt;
    return status.statusChanged;
}

// What the scan found of one component before its dates are known.
struct Found
{
    AppStreamLibrary::Component component;
    Entry entry;
};

} // namespace

DistroSource::DistroSource(QStringList dataDirs, QString dataHome, QString libraryFile,
                           std::function<void()> beforeLoading)
    : m_dataDirs(dataDirs.isEmpty() ? systemDataDirs() : std::move(dataDirs))
    , m_dataHome(dataHome.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                                    : std::move(dataHome))
    , m_libraryFile(std::move(libraryFile))
    , m_beforeLoading(std::move(beforeLoading))
{ }

QStringList DistroSource::systemDataDirs()
{
    QStringList dirs = qEnvironmentVariable("XDG_DATA_DIRS").split(u':', Qt::SkipEmptyParts);
    if (dirs.isEmpty())
        dirs = { u"/usr/local/share"_s, u"/usr/share"_s };
    QStringList kept;
    for (QString dir : std::as_const(dirs)) {
        while (dir.size() > 1 && dir.endsWith(u'/'))
            dir.chop(1);
        // Relative folders mean nothing to the rules; the exports are Flatpak's and snapd's.
        if (!dir.startsWith(u'/') || dir.endsWith(u"/flatpak/exports/share")
            || dir == u"/var/lib/snapd/desktop" || kept.contains(dir))
            continue;
        kept.append(dir);
    }
    return kept;
}

QStringList DistroSource::watchedFolders() const
{
    // A package brings its metainfo and its desktop entry; either may come last.
    QStringList folders;
    for (const QString& dataDir : m_dataDirs) {
        for (const QString& folder : { u"applications"_s, u"metainfo"_s, u"appdata"_s })
            folders.append(FileSystem::joinPath(dataDir, folder));
    }
    return folders;
}

AppSource::Result DistroSource::scan(const ReviewDateMap& reviewDates) const
{
    Result result;
    const QStringList files = metainfoFiles(m_dataDirs, result.completeness);
    if (files.isEmpty())
        return result;
    if (m_beforeLoading)
        m_beforeLoading();
    const AppStreamLibrary* library = AppStreamLibrary::load(m_libraryFile);
    // Metainfo that cannot be parsed says nothing of what is installed.
    if (!library) {
        result.completeness.note(ReadOutcome::Failed);
        return result;
    }

    const QString locale = QLocale().name();
    const QStringList currentDesktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    QList<Found> found;
    QSet<QString> seen;
    for (const QString& file : files) {
        const std::optional<QByteArray> document = readFile(file, MetainfoLimit, result.completeness);
        if (!document)
            continue;
        std::optional<AppStreamLibrary::Component> component = library->parseMetainfo(*document, locale);
        if (!component) {
            result.completeness.note(ReadOutcome::Failed);
            continue;
        }
        // A component in a folder of higher precedence hides the same id in the others.
        if (!component->desktopApplication || component->id == OwnID || seen.contains(component->id))
            continue;
        seen.insert(component->id);
        std::optional<Entry> entry = desktopEntry(desktopIDsOf(*component), m_dataDirs, result.completeness);
        if (entry && isShown(entry->content, currentDesktops))
            found.append({ std::move(*component), std::move(*entry) });
    }
    if (found.isEmpty())
        return result;

    // Usage records only lend dates: one that cannot be read takes its dates along, not the list.
    const UsageRecords::Result usage = UsageRecords::read(m_dataHome);
    result.apps.reserve(found.size());
    for (const Found& app : std::as_const(found)) {
        const AppId id(app.component.id);
        OptionalDate lastUse;
        const QString desktopID = app.entry.path.mid(app.entry.path.lastIndexOf(u'/') + 1);
        if (const auto used = usage.lastUse.constFind(UsageRecords::applicationID(desktopID));
            used != usage.lastUse.cend())
            lastUse = *used;
        OptionalDate lastReviewed;
        if (const auto reviewed = reviewDates.constFind(id); reviewed != reviewDates.cend())
            lastReviewed = *reviewed;
        result.apps.append(AppInfo::distributionApp(id, displayName(app.component, app.entry.content),
                                                    app.entry.path, lastUse, installTime(app.entry.path),
                                                    lastReviewed));
    }
    return result;
}
