// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The stored preferences under a writer killed at any moment, two instances at once, a full disk, a
// config folder that takes no files, and a file that something else damaged or wrote in its own form.
#include "AppLists.h"
#include "AppModel.h"
#include "ChildProcess.h"
#include "FileDefaultsDomain.h"
#include "FixtureTree.h"
#include "PreferencesService.h"
#include "SafeFile.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <sys/resource.h>
#include <thread>

using namespace Qt::StringLiterals;

namespace {
// No group or other permission bits.
const auto isPrivate = [](const QString& path) { return !(QFile::permissions(path) & 0x0077); };

QStringList filesIn(const QString& folder, const QString& pattern = u"*"_s)
{
    return QDir(folder).entryList({ pattern }, QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

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
        AppModel model(preferences, AppScanner(tree.pathOf(u"Applications"_s), tree.makeFolder(u"home"_s)));
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
    EXPECT_EQ(
        std::pair(SafeFile::readRegularFile(unreadable), filesIn(writable, u"unreadable*"_s)),
        std::pair(std::optional(before), QStringList { u"unreadable.plist"_s, u"unreadable.plist.lock"_s }));
}
