// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopWorkspace.h"
#include "FileDefaultsDomain.h"
#include "FileSystemMetadataSource.h"
#include "FixtureTree.h"
#include "OpenerDouble.h"
#include "ParallelLoop.h"
#include "SafeFile.h"
#include "TestEnvironment.h"

#include <QBuffer>
#include <QImage>
#include <QPoint>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QtEndian>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <set>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

using enum FileSystem::Outcome;

namespace {
// What a listing, a status and a read of path give.
std::tuple<FileSystem::Outcome, FileSystem::Outcome, FileSystem::Outcome> outcomes(const QString& path)
{
    return { FileSystem::listDirectory(path).outcome(), FileSystem::status(path).outcome,
             SafeFile::readRegularFile(path).outcome() };
}
} // namespace

// Only "nothing is there" is absence: a link to nowhere may be a disk that is not mounted.
TEST(FileReads, EachReadTellsNothingThereFromAFailure)
{
    FixtureTree tree;
    const QString file = tree.writeFile(u"a.txt"_s, "content"), folder = tree.makeFolder(u"folder"_s);
    for (const auto& [name, target] : { std::pair(u"link"_s, file), std::pair(u"zero"_s, u"/dev/zero"_s),
                                        std::pair(u"dangling"_s, tree.pathOf(u"nowhere"_s)),
                                        std::pair(u"loop"_s, tree.pathOf(u"loop"_s)) })
        ASSERT_TRUE(QFile::link(target, tree.pathOf(name)));
    ASSERT_EQ(::mkfifo(QFile::encodeName(tree.pathOf(u"fifo"_s)).constData(), 0600), 0);
    // clang-format off
    const QList<std::pair<QString, std::tuple<FileSystem::Outcome, FileSystem::Outcome, FileSystem::Outcome>>> cases {
        { file, { Absent, Read, Read } },
        { tree.pathOf(u"link"_s), { Absent, Read, Read } },
        { folder, { Read, Read, Failed } },
        // Without a writer a blocking open of the FIFO would hang here for ever.
        { tree.pathOf(u"fifo"_s), { Absent, Read, Failed } },
        { tree.pathOf(u"zero"_s), { Absent, Read, Failed } },
        { tree.pathOf(u"missing"_s), { Absent, Absent, Absent } },
        { file + u"/below"_s, { Absent, Absent, Absent } },
        { tree.pathOf(u"dangling"_s), { Failed, Failed, Failed } },
        { tree.pathOf(u"loop"_s), { Failed, Failed, Failed } },
        // A NUL would name another file.
        { file + QChar(0) + u"x"_s, { Failed, Failed, Failed } },
        { QString(), { Failed, Failed, Failed } },
    };
    // clang-format on
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(outcomes(path), expected) << qPrintable(path);

    // What a test injects stands for what the system says, below a folder too, until the scope goes.
    for (const int error : { EIO, ENOENT }) {
        const FileSystem::FaultScope faults(
            [&](const QString& path) { return path.startsWith(folder) ? error : 0; });
        const FileSystem::Outcome expected = error == EIO ? Failed : Absent;
        EXPECT_EQ(outcomes(folder + u"/x"_s), std::tuple(expected, expected, expected));
    }
    EXPECT_EQ(outcomes(folder), std::tuple(Read, Read, Failed));
}

TEST(SafeFile, ReadsWholeRegularFilesWithinTheLimit)
{
    FixtureTree tree;
    const QByteArray bytes(100000, 'x');
    const QString path = tree.writeFile(u"f"_s, bytes);
    EXPECT_EQ(SafeFile::readRegularFile(path), bytes);
    EXPECT_EQ(SafeFile::readRegularFile(path, bytes.size()), bytes);
    EXPECT_FALSE(SafeFile::readRegularFile(path, bytes.size() - 1));
    // Empty is a content, not a failure.
    EXPECT_EQ(SafeFile::readRegularFile(tree.writeFile(u"empty"_s, {}), 0), QByteArray());
    // A file that is still growing as it is read ends where a read finds nothing more, not at the
    // first read that stops short. The kernel's list of this process's mappings stands for one: it
    // claims no size and hands out a page per read; the last mapping listed is the kernel's own.
    const QByteArray maps = SafeFile::readRegularFile(u"/proc/self/maps"_s).value_or(QByteArray());
    ASSERT_GT(maps.size(), 8192) << "a test process maps more than two pages' worth";
    EXPECT_TRUE(maps.endsWith("]\n")) << maps.right(200).constData();
}

TEST(FileSystem, ListsFoldersWithAllNamesButDotEntriesAndNonUtf8Ones)
{
    FixtureTree tree;
    tree.writeFile(u"folder/One.app/x"_s, {});
    tree.writeFile(u"folder/.hidden"_s, {});
    tree.writeFile(u"folder/Zürich.txt"_s, {});
    const QByteArray badName = QFile::encodeName(tree.pathOf(u"folder/"_s)) + "bad\xff\xfe.app";
    ::close(::open(badName.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
    const auto names = FileSystem::listDirectory(tree.pathOf(u"folder"_s));
    ::unlink(badName.constData()); // no QString names it, so the fixture could not remove it
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(QSet<QString>(names->cbegin(), names->cend()),
              (QSet<QString> { u"One.app"_s, u".hidden"_s, u"Zürich.txt"_s }));
    EXPECT_EQ(FileSystem::listDirectory(tree.makeFolder(u"empty"_s)), QStringList());
}

TEST(FileSystemMetadataSource, NamesComeFromTheInfoTextAndTheLastUseFromItsAttribute)
{
    FixtureTree tree;
    const FileSystemMetadataSource source;
    EXPECT_FALSE(source.itemForPath(tree.pathOf(u"Missing.app"_s)).has_value());
    EXPECT_FALSE(source.itemForPath(tree.writeFile(u"Plain.app"_s, "not a bundle"))
                     ->attribute(kMDItemDisplayName)
                     .isValid());
    // The display name before the short name, and texts only.
    const QString shown = u"CFBundleDisplayName"_s, name = u"CFBundleName"_s;
    const std::pair<QVariantMap, QVariant> cases[] = {
        { { { shown, u"Shown"_s }, { name, u"Short"_s } }, u"Shown"_s },
        { { { shown, qlonglong(3) }, { name, u"Short"_s } }, u"Short"_s },
        { {}, {} },
    };
    int n = 0;
    for (const auto& [info, expected] : cases) {
        const QString bundle = tree.makeBundle(u"A%1.app"_s.arg(++n), u"x.y"_s, std::nullopt, info);
        EXPECT_EQ(source.itemForPath(bundle)->attribute(kMDItemDisplayName), expected) << n;
    }
    const QString bundle = tree.pathOf(u"A1.app"_s);
    const auto utc = [](const char* iso) {
        return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs);
    };
    EXPECT_FALSE(source.itemForPath(bundle)->attribute(kMDItemLastUsedDate).isValid());
    // Seconds and nanoseconds, little-endian; a wrong size or impossible nanoseconds mean nothing.
    const auto lastUsed = [&](qint64 seconds, qint64 nanoseconds, int size) {
        const qint64 value[] = { qToLittleEndian(seconds), qToLittleEndian(nanoseconds) };
        return ::setxattr(QFile::encodeName(bundle).constData(), "user.com.apple.lastuseddate#PS", value,
                          size_t(size), 0)
            ? QVariant(u"no user attributes here"_s)
            : source.itemForPath(bundle)->attribute(kMDItemLastUsedDate);
    };
    const QVariant used = lastUsed(utc("2022-08-09T10:11:12Z").toSecsSinceEpoch(), 345678901, 16);
    if (used == QVariant(u"no user attributes here"_s))
        GTEST_SKIP() << "the file system takes no user extended attributes (" << errno << ")";
    EXPECT_EQ(used, QVariant(utc("2022-08-09T10:11:12.345Z")));
    EXPECT_FALSE(lastUsed(utc("2022-08-09T10:11:12Z").toSecsSinceEpoch(), 0, 8).isValid());
    EXPECT_FALSE(lastUsed(0, 2000000000, 16).isValid());
}

TEST(FileDefaultsDomain, KeepsTypedValuesInAPrivateBinaryFile)
{
    FixtureTree tree;
    const QString folder = tree.pathOf(u"new/folder"_s), file = folder + u"/org.example.plist"_s;
    FileDefaultsDomain writer(file);
    const QVariantMap values {
        { u"ids"_s, QVariantList { u"a.b"_s, u"c.d"_s } },
        { u"dates"_s, QVariantMap { { u"a.b"_s, QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC) } } },
        { u"count"_s, qlonglong(-3) }
    };
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        writer.setValue(it.key(), it.value());
    writer.setValue(u"ids"_s, QStringList { u"a.b"_s, u"c.d"_s }); // the same, as a list
    writer.setValue(u"gone"_s, u"soon"_s);
    writer.removeValue(u"gone"_s);
    // Neither group nor others may read the file or enter its folder.
    EXPECT_FALSE(QFile::permissions(file) & 0x0077 || QFile::permissions(folder) & 0x0077);
    const QByteArray bytes = SafeFile::readRegularFile(file).value_or(QByteArray());
    EXPECT_TRUE(bytes.startsWith("bplist00"));
    EXPECT_EQ(PropertyList::parseDictionary(bytes), values);
}

// Only loading moves a damaged file aside: once when the domain is made, then before each change.
TEST(FileDefaultsDomain, AReadLeavesTheFileAsItIsAndTheNextChangeKeepsADamagedOneAside)
{
    FixtureTree tree;
    const QString path = tree.writeFile(u"org.example.plist"_s, "bplist00 torn");
    FileDefaultsDomain domain(path);
    const QStringList firstAside = QDir(tree.path()).entryList({ u"org.example.plist.corrupt-*"_s });
    EXPECT_EQ(std::pair(firstAside.size(), domain.trouble().damagedFileCopy),
              std::pair(qsizetype(1), tree.pathOf(firstAside.value(0))));
    domain.setValue(u"kept"_s, u"new"_s);
    // Another program tears the file: reads go on with the values last read and touch nothing.
    const QByteArray torn = SafeFile::readRegularFile(path).value_or(QByteArray()).left(20);
    tree.writeFile(u"org.example.plist"_s, torn);
    EXPECT_EQ(domain.value(u"kept"_s), QVariant(u"new"_s));
    EXPECT_EQ(SafeFile::readRegularFile(path), std::optional(torn));
    EXPECT_EQ(QDir(tree.path()).entryList({ u"org.example.plist.corrupt-*"_s }), firstAside);
    domain.setValue(u"other"_s, qlonglong(1));
    EXPECT_EQ(PropertyList::readDictionary(path), (QVariantMap { { u"other"_s, qlonglong(1) } }));
    EXPECT_EQ(QDir(tree.path()).entryList({ u"org.example.plist.corrupt-*"_s }).size(), 2);
}

TEST(FileDefaultsDomain, BatchWritesTheFileOnceWhenTheOutermostBatchEnds)
{
    FixtureTree tree;
    const QString path = tree.pathOf(u"org.example.plist"_s);
    FileDefaultsDomain domain(path);
    domain.setValue(u"kept"_s, u"old"_s);
    const auto append = [&domain](const QString& entry) {
        domain.modify(u"list"_s, [&entry](const QVariant& list) {
            return DefaultsDomain::Change::set(list.toList() << entry);
        });
    };
    const std::optional<QByteArray> before = SafeFile::readRegularFile(path);
    const auto openDescriptors = [] {
        return QDir(u"/proc/self/fd"_s).entryList(QDir::System | QDir::NoDotAndDotDot).size();
    };
    const qsizetype descriptors = openDescriptors();
    {
        const DefaultsDomain::Batch outer(domain);
        {
            const DefaultsDomain::Batch inner(domain);
            append(u"a"_s);
        }
        append(u"b"_s);
        domain.setValue(u"kept"_s, QPoint()); // cannot be stored: the old value stays
        domain.removeValue(u"missing"_s);
        // Every read of this process sees the changes at once; the file waits for the end.
        EXPECT_EQ(domain.value(u"list"_s).toStringList(), (QStringList { u"a"_s, u"b"_s }));
        EXPECT_EQ(SafeFile::readRegularFile(path), before);
    }
    EXPECT_EQ(PropertyList::readDictionary(path),
              (QVariantMap { { u"kept"_s, u"old"_s }, { u"list"_s, QVariantList { u"a"_s, u"b"_s } } }));
    // A batch that changes nothing writes nothing.
    ASSERT_TRUE(QFile::remove(path));
    {
        const DefaultsDomain::Batch idle(domain);
    }
    EXPECT_FALSE(QFile::exists(path));
    // The lock of each batch and the file of each write are closed again.
    EXPECT_EQ(openDescriptors(), descriptors);
}

TEST(DefaultsDomain, OpensOneSharedDomainInTheConfigFolder)
{
    const auto domain = DefaultsDomain::open(u"org.example.app"_s);
    {
        // Two parts of the program opening the same domain share it: a write through one while
        // the other holds a batch open joins the batch instead of waiting for the file's lock.
        const auto other = DefaultsDomain::open(u"org.example.app"_s);
        EXPECT_EQ(other.get(), domain.get());
        const DefaultsDomain::Batch batch(*domain);
        other->setValue(u"k"_s, qlonglong(2));
        EXPECT_EQ(domain->value(u"k"_s), QVariant(qlonglong(2)));
    }
    // A relative folder counts as unset. (The fallbacks are the reliability tests' concern.)
    const auto restore =
        qScopeGuard([config = qgetenv("XDG_CONFIG_HOME")] { qputenv("XDG_CONFIG_HOME", config); });
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(DefaultsDomain::open(u"org.example.app"_s)->location(),
              TestEnvironment::homePath() + u"/.config/org.example.app.plist"_s);
}

TEST(ParallelLoop, RunsEveryStepOnceOnAtMostTheAllowedThreads)
{
    using Case = std::pair<qsizetype, qsizetype>; // steps, and steps worth a thread of its own
    for (const auto& [count, stepsPerThread] :
         { Case(0, 1), Case(1, 1), Case(31, 32), Case(64, 32), Case(1000, 1), Case(1000, 0) }) {
        SCOPED_TRACE(testing::Message() << count << " steps, " << stepsPerThread << " per thread");
        std::vector<std::atomic<int>> calls(static_cast<size_t>(count));
        std::mutex mutex;
        std::set<std::thread::id> threads;
        ParallelLoop::run(count, stepsPerThread, [&](qsizetype i) {
            ++calls.at(size_t(i));
            const std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
        });
        EXPECT_EQ(std::count(calls.cbegin(), calls.cend(), 1), count);
        EXPECT_LE(threads.size(), size_t(ParallelLoop::maximumThreads()));
        // Too few steps to be worth a second thread stay on the caller's.
        if (count > 0 && count < 2 * stepsPerThread) {
            EXPECT_EQ(threads, std::set { std::this_thread::get_id() });
        }
    }
}

namespace {
QByteArray png(QColor color, int side = 16, const char* format = "PNG")
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, format);
    return bytes;
}

const auto centreColour = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage().pixelColor(8, 8); };
} // namespace

TEST(DesktopWorkspace, OpensOnlyWebPagesOverHttpsAndOnlyWhatTheOpenerSaysItOpened)
{
    using Verdict = OpenerDouble::Verdict;
    OpenerDouble opener;
    DesktopWorkspace workspace(std::chrono::seconds(2));
    const QString page = u"https://apps.example.com/app/id42"_s;
    // clang-format off
    const std::tuple<QString, Verdict, bool> cases[] = {
        { page, Verdict::Opens, true },
        // An opener without a handler for the address, and one that never answers.
        { page, Verdict::Fails, false },
        { page, Verdict::Hangs, false },
        // Never handed to the opener at all.
        { u"http://example.com/app/id1"_s, Verdict::Opens, false },
        { u"file:///etc/passwd"_s, Verdict::Opens, false },
        { u"mailto:a@example.com"_s, Verdict::Opens, false },
        { u"javascript:alert(1)"_s, Verdict::Opens, false },
        { u"https://"_s, Verdict::Opens, false },
        { QString(), Verdict::Opens, false },
    };
    // clang-format on
    qsizetype handed = 0;
    for (const auto& [address, verdict, opens] : cases) {
        SCOPED_TRACE(qPrintable(address));
        opener.setVerdict(verdict);
        EXPECT_EQ(OpenerDouble::answer(workspace, QUrl(address)), std::optional(opens));
        handed += address == page;
        EXPECT_EQ(opener.opened(), QList<QUrl>(handed, QUrl(page)));
    }
}

TEST(DesktopWorkspace, UsesTheBundlesOwnIconOrAGenericOneAndRenewsItWhenTheBundleChanges)
{
    FixtureTree tree;
    DesktopWorkspace workspace;
    const auto iconOf = [&](const QString& name, const QString& iconFile, const QString& resource,
                            const QByteArray& bytes) {
        tree.makeBundle(name, u"x.y"_s, std::nullopt,
                        iconFile.isNull() ? QVariantMap {}
                                          : QVariantMap { { u"CFBundleIconFile"_s, iconFile } });
        tree.writeFile(name + u"/Contents/Resources/"_s + resource, bytes);
        return centreColour(workspace.iconForFile(tree.pathOf(name)));
    };
    // A name without an extension means an .icns file; the reader goes by content.
    EXPECT_EQ(iconOf(u"Red.app"_s, u"AppIcon"_s, u"AppIcon.icns"_s, png(Qt::red)), QColor(Qt::red));
    EXPECT_EQ(iconOf(u"Blue.app"_s, u"b.png"_s, u"b.png"_s, png(Qt::blue)), QColor(Qt::blue));
    // Anything else gets the generic icon, never a file from outside the bundle.
    tree.writeFile(u"secret.png"_s, png(Qt::green));
    ASSERT_FALSE(workspace.iconForFile(tree.pathOf(u"Missing.app"_s)).isNull());
    const QColor generic = centreColour(workspace.iconForFile(tree.pathOf(u"Missing.app"_s)));
    EXPECT_EQ(iconOf(u"Escape.app"_s, u"../../secret.png"_s, u"x"_s, {}), generic);
    EXPECT_EQ(iconOf(u"Broken.app"_s, u"i.png"_s, u"i.png"_s, "not an image"), generic);
    EXPECT_EQ(iconOf(u"Plain.app"_s, {}, u"x"_s, {}), generic);
    // Kept until the bundle changes.
    const QString red = tree.pathOf(u"Red.app"_s);
    tree.setModificationTime(u"Red.app"_s, QDateTime::fromSecsSinceEpoch(1000000, Qt::UTC));
    EXPECT_EQ(workspace.iconForFile(red).cacheKey(), workspace.iconForFile(red).cacheKey());
    tree.writeFile(u"Red.app/Contents/Resources/AppIcon.icns"_s, png(Qt::blue));
    tree.setModificationTime(u"Red.app"_s, QDateTime::fromSecsSinceEpoch(2000000, Qt::UTC));
    EXPECT_EQ(centreColour(workspace.iconForFile(red)), QColor(Qt::blue));
}

// A few hundred bytes of PNG can unpack into a hundred megabytes, on the thread that paints.
TEST(DesktopWorkspace, ExportedIconsAreDecodedOnlyWithinTheSizeLimitAndAsTheirNameSays)
{
    FixtureTree tree;
    DesktopWorkspace workspace;
    const QColor generic = centreColour(workspace.iconForFile(tree.pathOf(u"missing"_s)));
    // The icon's file below the deploy folder's hicolor theme, its bytes, and the colour shown.
    const QList<std::tuple<QString, QByteArray, QColor>> cases {
        { u"64x64/apps/org.a.B.png"_s, png(Qt::red, 64), Qt::red },
        { u"1024x1024/apps/org.a.B.png"_s, png(Qt::red, 1024), Qt::red },
        { u"1025x1025/apps/org.a.B.png"_s, png(Qt::red, 1025), generic },
        { u"64x64/apps/org.a.B.png"_s, png(Qt::red, 64, "BMP"), generic },
        { u"scalable/apps/org.a.B.svg"_s, png(Qt::red, 64), generic },
    };
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const auto& [file, bytes, colour] = cases.at(i);
        const QString deployed = u"app/org.a.B/x86_64/stable/%1"_s.arg(i);
        tree.writeFile(deployed + u"/export/share/icons/hicolor/"_s + file, bytes);
        EXPECT_EQ(centreColour(workspace.iconForFile(tree.pathOf(deployed))), colour) << i;
    }
}
