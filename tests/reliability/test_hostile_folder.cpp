// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// An Applications folder that anyone with write access may have filled: 10,000 entries, a few of
// them loops, devices, pipes, huge or deep property lists, unreadable folders and odd names. The scan
// must finish, give exactly the records the ordinary rules give, and leave nothing behind; what it
// could not read leaves it incomplete.
#include "AppScanner.h"
#include "ChildProcess.h"
#include "FileSystemMetadataSource.h"
#include "FixtureTree.h"
#include "PropertyList.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int EntryCount = 10000;

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

using Maker = std::function<void(const QByteArray&)>; // makes one hostile entry at the path given
Maker link(const QByteArray& target)
{
    return [target](const QByteArray& at) {
        EXPECT_EQ(::symlink(target.constData(), at.constData()), 0) << at.constData();
    };
}
Maker bytes(const QByteArray& content)
{
    return [content](const QByteArray& at) { std::ofstream(at.constData()) << content.toStdString(); };
}
const Maker fifo = [](const QByteArray& at) { EXPECT_EQ(::mkfifo(at.constData(), 0644), 0); };
const Maker sparse = [](const QByteArray& at) {
    bytes({})(at);
    std::filesystem::resize_file(at.constData(), 2ull << 30);
};
const QByteArray deepXml =
    "<plist>" + QByteArray("<array>").repeated(200000) + QByteArray("</array>").repeated(200000) + "</plist>";

// Entries of a folder as the kernel lists them, whatever their names.
int countEntries(const QString& folder)
{
    std::error_code error;
    const std::filesystem::directory_iterator entries(native(folder).constData(), error);
    return error ? -1 : int(std::distance(entries, std::filesystem::directory_iterator()));
}

QStringList describeAll(const QList<AppInfo>& apps)
{
    QStringList lines;
    for (const AppInfo& app : apps)
        lines.append(u"%1|%2|%3|%4"_s.arg(app.id().text(), app.name(), app.adamID(), app.bundlePath()));
    lines.sort();
    return lines;
}

// The folder, and the records that a privileged scanner and one that permission bits stop should find.
class HostileFolder : public FixtureTree
{
public:
    QStringList privileged, unprivileged;

    HostileFolder()
    {
        ::chmod(native(path()).constData(), 0755); // lets an unprivileged child reach the tree
        makeFolder(u"home"_s);
        makeFolder(u"Applications"_s);
        // No bundles, and no records: loops, devices, a plain file and folder.
        const QList<Maker> noBundle { [](const QByteArray& at) { link(at)(at); },
                                      link("/dev/zero"),
                                      link("/dev/urandom"),
                                      link("nowhere/at/all"),
                                      bytes("not a bundle"),
                                      [](const QByteArray& at) { ::mkdir(at.constData(), 0755); } };
        for (qsizetype k = 0; k < noBundle.size(); ++k)
            noBundle[k](at(u"NoBundle%1.app"_s.arg(k)));
        // Broken Info.plist files next to a usable store id: the record is named after the entry.
        const QList<Maker> brokenInfo { link("Info.plist"), fifo, link("/dev/urandom"), sparse,
                                        bytes(deepXml) };
        for (qsizetype k = 0; k < brokenInfo.size(); ++k) {
            const QString name = u"BrokenInfo%1"_s.arg(k);
            writePlist(u"Applications/%1.app/Contents/iTunesMetadata.plist"_s.arg(name),
                       { { u"itemId"_s, 90 + k } }, PropertyList::Format::Binary);
            brokenInfo[k](at(name + u".app/Contents/Info.plist"_s));
            privileged.append(line(name + u".app"_s, name, name, 90 + k));
        }
        // Broken metadata without an Info.plist: no record.
        const QList<Maker> brokenMetadata { fifo, link("/dev/zero"), sparse, bytes(deepXml) };
        for (qsizetype k = 0; k < brokenMetadata.size(); ++k)
            brokenMetadata[k](native(makeFolder(u"Applications/BrokenMetadata%1.app/Contents"_s.arg(k)))
                              + "/iTunesMetadata.plist");
        // Its own Wrapper, holding a link to itself named like a wrapped application: endless walks.
        makeFolder(u"Applications/Recursive.app"_s);
        link(".")(at(u"Recursive.app/Wrapper"_s));
        link(".")(at(u"Recursive.app/Self.app"_s));
        writePlist(u"Applications/Recursive.app/iTunesMetadata.plist"_s, { { u"itemId"_s, 10 } });
        privileged.append(line(u"Recursive.app"_s, u"Recursive"_s, u"Recursive"_s, 10));
        // Names with a line break, and of 255 bytes, the longest a name can be.
        for (const QString& name :
             QStringList { u"New\nLine"_s, QString(251, u'L'), QString(125, u'é') + u'x' })
            bundle(name + u".app"_s, u"test.odd.%1"_s.arg(name.size()), u"Odd\nName"_s, 1000 + name.size());
        // A link to a bundle outside the folder counts as installed there.
        makeBundle(u"outside/Real.app"_s, u"test.outside"_s, 13, { { u"CFBundleName"_s, u"Outside"_s } });
        link(native(pathOf(u"outside/Real.app"_s)))(at(u"Outside.app"_s));
        privileged.append(line(u"Outside.app"_s, u"test.outside"_s, u"Outside"_s, 13));
        for (int i = countEntries(apps()) + 2; i < EntryCount; ++i)
            bundle(u"Sane%1.app"_s.arg(i), u"test.sane.%1"_s.arg(i), u"Sane %1"_s.arg(i), 100 + i,
                   i % 2 ? PropertyList::Format::Binary : PropertyList::Format::Xml);
        // Readable only by a privileged scanner: the others miss one and name the other after its entry.
        unprivileged = privileged;
        bundle(u"Locked.app"_s, u"test.locked"_s, u"Locked"_s, 14);
        bundle(u"LockedInfo.app"_s, u"test.lockedinfo"_s, u"LockedInfo"_s, 15);
        unprivileged.append(line(u"LockedInfo.app"_s, u"LockedInfo"_s, u"LockedInfo"_s, 15));
        for (const QString& locked : m_locked)
            ::chmod(native(locked).constData(), 0);
        privileged.sort();
        unprivileged.sort();
    }
    ~HostileFolder()
    {
        // Through the raw bytes, as no QString names some entries.
        for (const QString& locked : m_locked)
            ::chmod(native(locked).constData(), 0755);
        std::error_code ignored;
        std::filesystem::remove_all(native(apps()).constData(), ignored);
    }

    QString apps(const QString& name = {}) const { return pathOf(u"Applications/"_s + name); }

private:
    QByteArray at(const QString& name) const { return native(apps(name)); }
    QString line(const QString& entry, const QString& id, const QString& name, qlonglong itemId) const
    {
        return u"%1|%2|%3|%4"_s.arg(id, name, QString::number(itemId), apps(entry));
    }
    void bundle(const QString& entry, const QString& id, const QString& name, qlonglong itemId,
                PropertyList::Format format = PropertyList::Format::Xml)
    {
        makeBundle(u"Applications/"_s + entry, id, itemId, { { u"CFBundleName"_s, name } }, format);
        privileged.append(line(entry, id, name, itemId));
    }

    const QStringList m_locked { apps(u"Locked.app"_s), apps(u"LockedInfo.app/Contents/Info.plist"_s) };
};

TEST(HostileApplicationsFolder, ScanGivesTheRecordsOfTheSaneEntriesAndLeavesNothingBehind)
{
    // On a memory file system where there is one: 30,000 files on a busy disk take far longer than the scan.
    const QByteArray temporary = qgetenv("TMPDIR");
    qputenv("TMPDIR", QDir(u"/dev/shm"_s).exists() ? QByteArray("/dev/shm") : temporary);
    HostileFolder folder;
    temporary.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temporary);
    const AppScanner scanner(folder.apps(), folder.pathOf(u"home"_s),
                             std::make_shared<const FileSystemMetadataSource>());
    const int descriptors = countEntries(u"/proc/self/fd"_s);
    const int threads = countEntries(u"/proc/self/task"_s);
    const AppScanner::Result result = scanner.scanInstalledApps({});
    EXPECT_FALSE(result.complete);
    // Line by line, so that a failure names the entries that went wrong.
    EXPECT_EQ(describeAll(result.apps), ::geteuid() == 0 ? folder.privileged : folder.unprivileged);
    for (const AppInfo& app : result.apps)
        ASSERT_TRUE(app.modificationDate() && app.modificationDate()->isValid())
            << qPrintable(app.id().text());
    EXPECT_EQ(countEntries(u"/proc/self/fd"_s), descriptors) << "a descriptor was left open";
    EXPECT_EQ(countEntries(u"/proc/self/task"_s), threads) << "a thread was left running";

    // Root reads through permission bits; an ordinary user's scan finds the locked entries missing.
    if (!ChildProcess::canBeNobody())
        GTEST_SKIP() << "only root can take on the user nobody";
    ChildProcess child(
        [&scanner](ChildProcess& self) {
            self.write(describeAll(scanner.scanInstalledApps({}).apps).join(QChar(0)).toUtf8());
        },
        true /* as nobody */);
    EXPECT_EQ(QString::fromUtf8(child.finish()).split(QChar(0)), folder.unprivileged);
    EXPECT_EQ(child.status, 0);
}
} // namespace
