// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a scan makes of folders, files and installations that are hostile, broken or unreadable, and
// what the store makes of writers killed, two instances at once, full disks and damaged files.
#include "AppLists.h"
#include "AppModel.h"
#include "AppScanner.h"
#include "ChildProcess.h"
#include "DistroSource.h"
#include "FileDefaultsDomain.h"
#include "FileSystemMetadataSource.h"
#include "FlatpakFixture.h"
#include "FlatpakSource.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"
#include "SafeFile.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>
#include <thread>

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

// An Applications folder that anyone with write access may have filled: 10,000 entries, a few of
// them loops, devices, pipes, huge or deep property lists, unreadable folders and odd names. The scan
// must finish, give exactly the records the ordinary rules give, and leave nothing behind; what it
// could not read leaves it incomplete.
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
    EXPECT_FALSE(result.completeness.isComplete());
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

// No group or other permission bits.
const auto isPrivate = [](const QString& path) { return !(QFile::permissions(path) & 0x0077); };

QStringList filesIn(const QString& folder, const QString& pattern = u"*"_s)
{
    return QDir(folder).entryList({ pattern }, QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

// The only addresses the program opens for a record are store pages built from the record's number,
// whatever the number's file held.
TEST(OpenedAddresses, HostileStoreNumbersGiveTheProductPageOrNothing)
{
    static const QRegularExpression page(u"^https://apps\\.apple\\.com/app/id\\+?[0-9]+$"_s);
    const auto opens = [](const QString& adamID) {
        const auto url = AppInfo(AppId(u"a.b"_s), u"A"_s, u"/A.app"_s, adamID, {}, {}, {}).reviewURL();
        EXPECT_TRUE(!url || page.match(QString::fromLatin1(url->toEncoded())).hasMatch())
            << qPrintable(adamID);
        EXPECT_TRUE(!url || url->path(QUrl::FullyEncoded) == u"/app/id"_s + adamID) << qPrintable(adamID);
        return url.has_value();
    };
    for (const QString& adamID :
         QStringList { u"123"_s, u"+123"_s, u"0"_s, u"+"_s + QString(64, u'0'), QString(10000, u'9') })
        EXPECT_TRUE(opens(adamID)) << qPrintable(adamID);
    // Separated by "|", beginning with the empty text.
    for (const QString& adamID :
         u"|+|++1|-1| 1|1\n|1\0|1/../../evil|1?x=1|1#top|1%2F..%2F|1@evil.example|//evil.example|"
         u"javascript:alert(1)|$(reboot)|１２３|١٢٣|1e5|0x10|12\u200b3|123\u202e|1\u0301"_s.split(u'|'))
        EXPECT_FALSE(opens(adamID)) << qPrintable(adamID);

    // Texts of the characters that mean something in an address, in any order.
    const QString alphabet = u"0123456789+-./:?#@%&=;$`'\" \t\n\\[]{}()~!*,١٢３\u200b\u202e\u0301é"_s;
    std::mt19937 random(20240229);
    for (int i = 0; i < 5000 && !::testing::Test::HasFailure(); ++i) {
        QString adamID;
        for (int n = int(random() % 13); n > 0; --n)
            adamID += alphabet.at(qsizetype(random() % alphabet.size()));
        opens(adamID);
    }
}

// What a scan makes of each way a read can fail, from the Applications folders to libflatpak: only
// "not there" is absence, and only a scan that read everything forgets what the user chose for an
// application. (The usage records only lend dates; the Flatpak tests break them.)
namespace {
using F = FlatpakFixture;
const QString Libflatpak = u"libflatpak.so.0"_s, NoLibrary = u"libkudora-no-such-flatpak.so.0"_s,
              Shim = QStringLiteral(KUDORA_FLATPAK_SHIM);
const auto configDir = [] { return QFile::decodeName(qgetenv("FLATPAK_CONFIG_DIR")); };

// The applications whose reviews are stored, by letter: two from the App Store (one in the home
// folder), three Flatpak ones (the user's, the system's, one from Flathub), one the distribution's
// packages installed and one long gone.
// clang-format off
const QList<std::pair<char, QString>> Reviewed { { 'K', u"test.kept"_s }, { 'H', u"test.home"_s },
    { 'U', QString::fromLatin1(F::UserApp) }, { 'S', QString::fromLatin1(F::SystemApp) },
    { 'F', QString::fromLatin1(F::FlathubApp) }, { 'D', u"org.kudora.test.DistroApp"_s }, { 'G', u"test.gone"_s } };
// clang-format on

class ReadFailures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(F::shared().error().isEmpty()) << qPrintable(F::shared().error());
        m_tree.makeBundle(u"Applications/Kept.app"_s, u"test.kept"_s, 1);
        m_tree.makeBundle(u"home/Applications/Home.app"_s, u"test.home"_s, 2);
        m_tree.writeFile(u"share/metainfo/org.kudora.test.DistroApp.metainfo.xml"_s,
                         "<component type=\"desktop-application\"><id>org.kudora.test.DistroApp</id>"
                         "<name>Distro App</name></component>");
        m_tree.writeFile(u"share/applications/org.kudora.test.DistroApp.desktop"_s,
                         "[Desktop Entry]\nType=Application\nName=Distro App\nExec=true\n");
        // An installation of no applications that only installations.d names.
        FixtureTree::write(
            configDir() + u"/installations.d/empty.conf"_s,
            "[Installation \"empty\"]\nPath=" + QFile::encodeName(m_tree.makeFolder(u"empty"_s)) + "\n");
    }
    void TearDown() override { QDir(configDir() + u"/installations.d"_s).removeRecursively(); }

    AppSources sources(const QString& library = Libflatpak) const
    {
        return { std::make_shared<const AppScanner>(m_tree.pathOf(u"Applications"_s),
                                                    m_tree.pathOf(u"home"_s),
                                                    std::make_shared<const FileSystemMetadataSource>()),
                 std::make_shared<const FlatpakSource>(m_tree.pathOf(u"data"_s), library),
                 std::make_shared<const DistroSource>(QStringList { m_tree.pathOf(u"share"_s) },
                                                      m_tree.pathOf(u"data"_s)) };
    }

    // The letters of the applications whose review is still stored after the model's scan, while
    // every read of a path fails as errorAt says.
    std::string reviewsAfterScan(const std::function<int(const QString&)>& errorAt, const QString& library)
    {
        const auto domain = std::make_shared<MemoryDefaultsDomain>();
        QVariantMap reviews;
        for (const auto& [letter, id] : Reviewed)
            reviews.insert(id, QDateTime::currentDateTimeUtc());
        domain->setValue(PreferencesService::ReviewDatesKey, reviews);
        PreferencesService preferences(domain);
        const FileSystem::FaultScope faults(errorAt);
        AppModel model(preferences, sources(library));
        if (!QSignalSpy(&model, &AppModel::rescanFinished).wait(30000))
            return "no end";
        std::string letters;
        for (const auto& [letter, id] : Reviewed)
            letters += preferences.reviewDate(AppId(id)) ? std::string(1, letter) : std::string();
        return letters;
    }

    FixtureTree m_tree;
};

} // namespace

TEST_F(ReadFailures, OnlyWhatIsNotThereLosesItsReviewAndOnlyAfterAScanThatReadEverything)
{
    EXPECT_EQ(reviewsAfterScan({}, Libflatpak), "KHUSFD");
    const QString apps = m_tree.pathOf(u"Applications"_s), kept = apps + u"/Kept.app"_s,
                  share = m_tree.pathOf(u"share"_s);
    // Where reads fail (at those paths and below), the library loaded, and the reviews kept when the
    // failure means "not there" and when it does not.
    // clang-format off
    const std::tuple<const char*, QStringList, QString, std::string, std::string> places[] = {
        { "Applications folder", { apps }, Libflatpak, "HUSFD", "KHUSFDG" },
        { "home Applications folder", { m_tree.pathOf(u"home/Applications"_s) }, Libflatpak, "KUSFD", "KHUSFDG" },
        { "bundle", { kept }, Libflatpak, "HUSFD", "KHUSFDG" },
        // Without it the bundle is named after its entry, and its own id is not installed.
        { "Info.plist", { kept + u"/Contents/Info.plist"_s }, Libflatpak, "HUSFD", "KHUSFDG" },
        { "store id", { kept + u"/Contents/iTunesMetadata.plist"_s }, Libflatpak, "HUSFD", "KHUSFDG" },
        { "user installation", { F::userDir() }, Libflatpak, "KHSD", "KHUSFDG" },
        { "system installation", { F::systemDir() }, Libflatpak, "KHUFD", "KHUSFDG" },
        { "installations.d", { configDir() + u"/installations.d"_s }, Libflatpak, "KHUSFD", "KHUSFDG" },
        { "installations.d file", { configDir() + u"/installations.d/empty.conf"_s }, Libflatpak, "KHUSFD", "KHUSFDG" },
        // Without the library only the disk tells whether an installation could be missing.
        { "library", { F::userDir(), F::systemDir() }, NoLibrary, "KHD", "KHUSFDG" },
        // Every remote's lookup fails so; a removed remote's applications are still installed.
        { "remote lookup", {}, Shim, "KHUSFD", "KHUSFDG" },
        // The distribution's: each folder the metainfo may be in, the file, the desktop entry.
        { "metainfo folder", { share + u"/metainfo"_s }, Libflatpak, "KHUSF", "KHUSFDG" },
        { "appdata folder", { share + u"/appdata"_s }, Libflatpak, "KHUSFD", "KHUSFDG" },
        { "metainfo file", { share + u"/metainfo/org.kudora.test.DistroApp.metainfo.xml"_s }, Libflatpak, "KHUSF", "KHUSFDG" },
        { "desktop entry", { share + u"/applications/org.kudora.test.DistroApp.desktop"_s }, Libflatpak, "KHUSF", "KHUSFDG" },
        // Usage records only lend dates: one that cannot be read takes nothing else along.
        { "usage records", { m_tree.pathOf(u"data"_s) }, Libflatpak, "KHUSFD", "KHUSFD" },
    };
    // clang-format on
    for (const auto& [what, paths, library, whenAbsent, whenFailed] : places) {
        for (const int error : { EACCES, EIO, ELOOP, ENOENT }) {
            SCOPED_TRACE(std::string(what) + ": " + std::strerror(error));
            if (library == Shim)
                qputenv("KUDORA_TEST_REMOTE_ERRNO", QByteArray::number(error));
            const auto errorAt = [&](const QString& path) {
                const auto below = [&](const QString& at) {
                    return path == at || path.startsWith(at + u'/');
                };
                return std::ranges::any_of(paths, below) ? error : 0;
            };
            EXPECT_EQ(reviewsAfterScan(errorAt, library), error == ENOENT ? whenAbsent : whenFailed);
            qunsetenv("KUDORA_TEST_REMOTE_ERRNO");
        }
    }
}

// The failures that libflatpak meets itself, as a configuration and the disk make them: a scan never
// creates anything. What the program reads itself fails as the table above makes it.
TEST_F(ReadFailures, RealUnreadableFoldersFilesAndInstallationsLeaveTheScanIncompleteAndCreateNothing)
{
    using Undo = std::function<void()>;
    const auto move = [](const QString& from, const QString& to) { return QDir().rename(from, to); };
    // Nothing or a plain file in place of path.
    const auto replaced = [&](const QString& path, bool byFile) -> Undo {
        EXPECT_TRUE(move(path, path + u".aside"_s)) << qPrintable(path);
        if (byFile)
            QFile(path).open(QIODevice::WriteOnly);
        return [=] { QFile::remove(path), move(path + u".aside"_s, path); };
    };
    // An installation that installations.d names, of whose folder only what is given is there: no
    // folder at all, an empty one, or the given file holding no configuration.
    const QString extra = QFileInfo(F::systemDir()).path() + u"/extra"_s,
                  conf = configDir() + u"/installations.d/extra.conf"_s, repo = F::systemDir() + u"/repo"_s;
    const auto configure = [&](const QString& content) -> Undo {
        FixtureTree::write(conf, "[Installation \"extra\"]\nPath=" + QFile::encodeName(extra) + "\n");
        if (!content.isNull())
            QDir().mkpath(extra);
        if (!content.isEmpty())
            FixtureTree::write(extra + u'/' + content, "[core\n");
        return [=] { QFile::remove(conf), QDir(extra).removeRecursively(); };
    };
    // clang-format off
    const std::tuple<const char*, std::function<Undo()>, bool, QString> cases[] = {
        // what, how it is made, whether the scan is complete, what it must not create
        { "installed applications a file", [&] { return replaced(F::userDir() + u"/app"_s, true); }, false, {} },
        { "configured installation gone", [&] { return configure({}); }, false, extra },
        { "configured installation empty", [&] { return configure(u""_s); }, true, extra + u"/repo"_s },
        { "configured installation libflatpak cannot open", [&] { return configure(u"repo/config"_s); }, false, {} },
        { "default installation without a repository", [&] { return replaced(repo, false); }, true, repo },
    };
    // clang-format on
    for (const auto& [what, make, complete, mustNotExist] : cases) {
        SCOPED_TRACE(what);
        const Undo undo = make();
        const bool scannedWhole = AppSource::scanAll(sources(), {}).completeness.isComplete();
        const bool created = !mustNotExist.isEmpty() && QFileInfo::exists(mustNotExist);
        undo();
        EXPECT_EQ(std::pair(scannedWhole, created), std::pair(complete, false));
    }
}

// A metainfo folder whose permission bits stop the user, as the kernel refuses it rather than as the
// table above makes a read fail: its applications are missing and the scan says so.
TEST_F(ReadFailures, AMetainfoFolderTheUserCannotReadLeavesTheDistributionScanIncomplete)
{
    const QString metainfo = m_tree.pathOf(u"share/metainfo"_s);
    const DistroSource source({ m_tree.pathOf(u"share"_s) }, m_tree.pathOf(u"data"_s));
    const auto scanned = [&source]() -> QString {
        const AppSource::Result result = source.scan({});
        return QString(result.completeness.isComplete() ? u"complete:"_s : u"incomplete:"_s)
            + idsOf(result.apps).join(u' ');
    };
    // Also loads libappstream, which a forked copy of a process with threads should not do itself.
    ASSERT_EQ(scanned(), u"complete:org.kudora.test.DistroApp"_s);
    ::chmod(native(m_tree.path()).constData(), 0755); // lets another user reach the folder
    ASSERT_EQ(::chmod(native(metainfo).constData(), 0), 0);
    const auto restore = qScopeGuard([&] { ::chmod(native(metainfo).constData(), 0755); });
    if (::geteuid() != 0) {
        EXPECT_EQ(scanned(), u"incomplete:"_s);
        return;
    }
    // Root reads through permission bits; another user is stopped by them.
    EXPECT_EQ(scanned(), u"complete:org.kudora.test.DistroApp"_s);
    if (!ChildProcess::canBeNobody())
        GTEST_SKIP() << "only root can take on the user nobody";
    ChildProcess child([&scanned](ChildProcess& self) { self.write(scanned().toUtf8()); },
                       true /* as nobody */);
    EXPECT_EQ(child.finish(), "incomplete:");
    EXPECT_EQ(child.status, 0);
}

TEST(StoreFaults, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile)
{
    // A kill leaves the kernel's view of the files as it was, so a memory file system tests the same.
    QTemporaryDir folder((QDir(u"/dev/shm"_s).exists() ? u"/dev/shm"_s : QDir::tempPath())
                         + u"/kudora-XXXXXX"_s);
    const QString file = folder.path() + u"/k.plist"_s;
    const QByteArray padding(64 * 1024, 'p'); // so that a write lasts long enough to be cut
    FileDefaultsDomain(file).setValue(u"padding"_s, padding);
    const unsigned seed = std::random_device {}();
    std::mt19937 random(seed);
    for (int kill = 0; kill < 200; ++kill) {
        ChildProcess writer([&file](ChildProcess& self) {
            FileDefaultsDomain domain(file);
            for (qlonglong next = domain.value(u"counter"_s).toLongLong() + 1;; ++next) {
                domain.setValue(u"counter"_s, next);
                self.write(QByteArray::number(next) + '\n'); // done, as far as the writer knows
            }
        });
        // From the first finished write, so that a slow start does not decide where the kill falls.
        writer.readLine();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        writer.kill();
        const QList<QByteArray> reports = writer.finish().split('\n');
        ASSERT_TRUE(WIFSIGNALED(writer.status)) << "the writer ended by itself, status " << writer.status;
        const qlonglong acknowledged = reports.at(reports.size() - 2).toLongLong();
        const auto stored = PropertyList::readDictionary(file);
        ASSERT_TRUE(stored.has_value()) << "unreadable after kill " << kill << " (seed " << seed << ")";
        const qlonglong counter = stored->value(u"counter"_s).toLongLong();
        // The last write the writer finished, or the one it was in.
        ASSERT_TRUE(counter == acknowledged || counter == acknowledged + 1)
            << counter << " after acknowledging " << acknowledged << " (seed " << seed << ")";
        ASSERT_EQ(stored->value(u"padding"_s).toByteArray(), padding);
        ASSERT_TRUE(isPrivate(file));
    }
    // A write clears what killed writers left half-written.
    FileDefaultsDomain(file).setValue(u"counter"_s, qlonglong(-1));
    EXPECT_EQ(filesIn(folder.path()), (QStringList { u"k.plist"_s, u"k.plist.lock"_s }));
}

TEST(StoreFaults, TwoInstancesChangingTheIgnoreListAtOnceLoseNoId)
{
    FixtureTree tree;
    const QString file = tree.pathOf(u"shared.plist"_s);
    // Each ignores 500 ids and, one step behind, un-ignores every other one again; the parent's
    // batches of ten, as a bulk ignore makes, must keep the child out.
    const auto work = [&file](const QString& prefix, bool batches) {
        PreferencesService service(std::make_shared<FileDefaultsDomain>(file));
        for (int i = 0; i < 500; i += 10) {
            std::optional<DefaultsDomain::Batch> batch;
            if (batches)
                batch.emplace(service.domain());
            for (int j = i; j < i + 10; ++j) {
                service.addIgnoredID(AppId(prefix + QString::number(j)));
                if (j % 2 == 1)
                    service.removeIgnoredID(AppId(prefix + QString::number(j - 1)));
            }
        }
    };
    ChildProcess child([&work](ChildProcess&) { work(u"child."_s, false); });
    work(u"parent."_s, true);
    child.finish();
    ASSERT_EQ(child.status, 0);
    QSet<AppId> expected;
    for (int i = 1; i < 500; i += 2)
        expected << AppId(u"parent."_s + QString::number(i)) << AppId(u"child."_s + QString::number(i));
    EXPECT_EQ(PreferencesService(std::make_shared<FileDefaultsDomain>(file)).loadIgnoredIDs(), expected);
}

TEST(StoreFaults, AnIgnoreOnAStoreItCannotTrustKeepsTheProgramWorking)
{
    const QString key = PreferencesService::IgnoredIDsKey;
    const auto list = [&key](const QString& id) {
        return PropertyList::serialize(QVariantMap { { key, QStringList { id } } });
    };
    const QStringList kept { u"test.kept"_s }, old { u"test.old"_s };
    const struct
    {
        const char* what;
        QByteArray before;
        QStringList readable; // keys of the file before
        QStringList after; // ignored ids in the file and the model after
        bool fullDisk = false;
    } cases[] = {
        { "torn write", list(u"a"_s).left(90), {}, kept },
        { "hostile nesting", "<plist>" + QByteArray("<array>").repeated(5000), {}, kept },
        { "list for a dictionary", PropertyList::serialize(QVariantList { u"test.old"_s }), {}, kept },
        // Another program's { "foreign": "a<NUL>b" in UTF-16, "edge": a date a hundred microseconds
        // before the last second a 32-bit count reaches }. The text reads as no value; the date
        // reads, rounded to that last second, which no property list can be written with.
        { "entries that cannot be written back",
          "bplist00"
              + QByteArray::fromHex("d201020304" // a dictionary of two entries, at 8
                                    "57666f726569676e" // "foreign", at 13
                                    "5465646765" // "edge", at 21
                                    "63006100000062" // at 26
                                    "3341dfffffffbffe5d" // at 33
                                    "080d151a21" // the offset table, at 42
                                    "00000000000001010000000000000005"
                                    "0000000000000000000000000000002a"),
          { u"edge"_s },
          kept },
        // As far as this process can tell, every write of a file fails.
        { "full disk", list(u"test.old"_s), { key }, old, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FixtureTree tree;
        const QString file = tree.writeFile(u"store.plist"_s, c.before);
        EXPECT_EQ(PropertyList::readDictionary(file).value_or(QVariantMap {}).keys(), c.readable);
        PreferencesService preferences(std::make_shared<FileDefaultsDomain>(file));
        tree.makeBundle(u"Applications/Kept.app"_s, u"test.kept"_s, 42);
        tree.makeBundle(u"Applications/Old.app"_s, u"test.old"_s, 43);
        AppModel model(preferences,
                       AppSources { std::make_shared<const AppScanner>(tree.pathOf(u"Applications"_s),
                                                                       tree.makeFolder(u"home"_s)) });
        ASSERT_TRUE(QSignalSpy(&model, &AppModel::rescanFinished).wait(30000));
        ::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the process
        rlimit old {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        const rlimit tiny { c.fullDisk ? 1 : old.rlim_cur, old.rlim_max };
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
        model.ignoreApps({ *findApp(model.apps(), u"test.kept") });
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_EQ(PropertyList::readDictionary(file), (QVariantMap { { key, QVariant(c.after).toList() } }));
        EXPECT_EQ(sortedTexts(model.ignoredIDs()), c.after);
        EXPECT_EQ(isPrivate(file), !c.fullDisk) << "a new file is the user's alone";
        // What could not be read is kept aside as it was.
        const QStringList aside = filesIn(tree.path(), u"store.plist.corrupt-*"_s);
        EXPECT_EQ(aside.size(), c.readable.isEmpty() ? 1 : 0);
        EXPECT_EQ(SafeFile::readRegularFile(tree.pathOf(aside.value(0))).value_or(c.before), c.before);
        preferences.recordReviewDate(AppId(u"test.kept"_s));
        EXPECT_TRUE(preferences.reviewDate(AppId(u"test.kept"_s)).has_value()) << "later writes go through";
    }
}

// A file it cannot read may hold every choice the user made: it is left as it is, and the session
// goes on in memory.
TEST(StoreFaults, AConfigFolderThatTakesNoFilesOrAFileThatCannotBeReadStillLeavesAWorkingProgram)
{
    // Only a user whom the mode stops: as "nobody" the data folder, then memory, take over.
    if (!ChildProcess::canBeNobody())
        GTEST_SKIP() << "only root can take on the user nobody";
    FixtureTree tree;
    ::chmod(QFile::encodeName(tree.path()).constData(), 0755);
    const QString readOnly = tree.makeFolder(u"read-only-config"_s);
    ::chmod(QFile::encodeName(readOnly).constData(), 0555);
    const QString writable = tree.makeFolder(u"nobody-data"_s);
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_EQ(::chown(QFile::encodeName(writable).constData(), nobody->pw_uid, nobody->pw_gid), 0);
    const QByteArray before = PropertyList::serialize(QVariantMap { { u"k"_s, u"v"_s } });
    const QString unreadable = tree.writeFile(u"nobody-data/unreadable.plist"_s, before);
    ::chmod(QFile::encodeName(unreadable).constData(), 0600);
    ChildProcess child(
        [&](ChildProcess& self) {
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(readOnly));
            for (const QString& data : { writable, readOnly }) {
                qputenv("XDG_DATA_HOME", QFile::encodeName(data));
                // Threads do not survive a fork, so the child changes the store without a model.
                PreferencesService preferences(DefaultsDomain::open(u"org.example.readonly"_s));
                preferences.addIgnoredID(AppId(u"test.kept"_s));
                self.write(preferences.domain().location().toUtf8() + '|'
                           + sortedTexts(preferences.loadIgnoredIDs()).join(u',').toUtf8() + '\n');
            }
            PreferencesService preferences(std::make_shared<FileDefaultsDomain>(unreadable));
            preferences.addIgnoredID(AppId(u"test.kept"_s));
            self.write(preferences.domain().trouble().unreadableFile.toUtf8() + '|'
                       + sortedTexts(preferences.loadIgnoredIDs()).join(u',').toUtf8());
        },
        true /* as nobody */);
    EXPECT_EQ(child.finish(),
              (writable + u"/org.example.readonly/standard.plist|test.kept\n|test.kept\n"_s + unreadable
               + u"|test.kept"_s)
                  .toUtf8());
    EXPECT_EQ(std::pair(std::optional<QByteArray>(SafeFile::readRegularFile(unreadable)),
                        filesIn(writable, u"unreadable*"_s)),
              std::pair(std::optional(before), QStringList { u"unreadable.plist"_s }));
}
