// The stored preferences under the faults a desktop sees: a writer killed at any moment, two
// instances changing the ignore list at once, a full disk, a config folder that takes no files, and
// a file that something else damaged or wrote in a form of its own.
#include "AppModel.h"
#include "ChildProcess.h"
#include "DefaultsDomain.h"
#include "FileDefaultsDomain.h"
#include "FixtureTree.h"
#include "PreferencesService.h"
#include "PropertyList.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <pwd.h>
#include <random>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

mode_t permissions(const QString& path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

QStringList filesIn(const QString& folder, const QString& pattern = u"*"_s)
{
    return QDir(folder).entryList({ pattern }, QDir::Files | QDir::Hidden, QDir::Name);
}

// The program on the given store: a model over one App Store application, which gets ignored.
void expectIgnoreWorks(PreferencesService& preferences)
{
    FixtureTree tree;
    tree.makeBundle(u"Applications/Kept.app"_s, u"test.kept"_s, 42);
    AppModel model(preferences, AppScanner(tree.pathOf(u"Applications"_s), tree.makeFolder(u"home"_s)));
    QSignalSpy finished(&model, &AppModel::rescanFinished);
    ASSERT_TRUE(finished.wait(30000));
    ASSERT_EQ(model.visibleApps().size(), 1);
    model.ignoreApps(model.apps());
    EXPECT_TRUE(model.visibleApps().isEmpty());
    EXPECT_EQ(preferences.loadIgnoredIDs(), QSet<QString> { u"test.kept"_s });
}

} // namespace

TEST(StoreFaults, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile)
{
    // A kill leaves the kernel's view of the files as it was, whether or not it reached the disk,
    // so a memory file system (where a flush costs nothing) tests the same thing many times faster.
    QTemporaryDir folder(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/kudora-kill-XXXXXX"_s
                                                      : QDir::tempPath() + u"/kudora-kill-XXXXXX"_s);
    const QString file = folder.path() + u"/org.example.kill.plist"_s;
    // Some weight, so that a write takes long enough to be cut in the middle.
    const QByteArray padding(64 * 1024, 'p');
    FileDefaultsDomain(file).setValue(u"padding"_s, padding);

    const unsigned seed = unsigned(std::random_device {}());
    std::mt19937 random(seed);
    // How long one write takes here, refined from what the writers report; the kill falls within
    // the next few writes.
    double writeMicroseconds = 1000;
    qlonglong landed = 0;
    int kills = 0;
    QElapsedTimer timer;
    timer.start();
    // At least 1,000 writes that landed and 200 kills; the time limit only guards against a hang.
    while ((landed < 1000 || kills < 200) && timer.elapsed() < 120000) {
        const qlonglong before = FileDefaultsDomain(file).value(u"counter"_s).toLongLong();
        ChildProcess writer([&file](ChildProcess& self) {
            FileDefaultsDomain domain(file);
            for (qlonglong next = domain.value(u"counter"_s).toLongLong() + 1;; ++next) {
                domain.setValue(u"counter"_s, next);
                self.write(QByteArray::number(next) + '\n'); // done, as far as the writer knows
            }
        });
        // Timed from the first finished write, so that the time a process takes to start (long
        // under the sanitizers) does not decide where the kill falls.
        writer.readLine();
        QElapsedTimer writing;
        writing.start();
        std::this_thread::sleep_for(std::chrono::microseconds(
            qint64(std::uniform_real_distribution<double>(0, 6 * writeMicroseconds)(random))));
        writer.kill();
        const qint64 writingMicroseconds = writing.nsecsElapsed() / 1000;
        int status = 0;
        const QList<QByteArray> reports = writer.finish(&status).split('\n');
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself, status " << status;
        ++kills;
        const qlonglong acknowledged =
            reports.size() > 1 ? reports.at(reports.size() - 2).toLongLong() : before;
        if (reports.size() > 2) {
            writeMicroseconds = std::max(
                20.0,
                0.7 * writeMicroseconds + 0.3 * double(writingMicroseconds) / double(reports.size() - 2));
        }

        const auto stored = PropertyList::readDictionary(file);
        ASSERT_TRUE(stored.has_value())
            << "the file does not parse after kill " << kills << " (seed " << seed << ")";
        const qlonglong counter = stored->value(u"counter"_s).toLongLong();
        // The last write the writer finished, or the one it was in.
        ASSERT_TRUE(counter == acknowledged || counter == acknowledged + 1)
            << "counter " << counter << " after acknowledging " << acknowledged << " (seed " << seed << ")";
        ASSERT_EQ(stored->value(u"padding"_s).toByteArray(), padding);
        ASSERT_EQ(permissions(file), mode_t(0600));
        landed += counter - before;
    }
    std::printf("[ info     ] %d kills across %lld writes that landed (seed %u)\n", kills, landed, seed);
    EXPECT_GE(kills, 200);
    // Each write clears what killed writers left half-written, and no intact file was taken for damaged.
    FileDefaultsDomain(file).setValue(u"counter"_s, qlonglong(-1));
    EXPECT_EQ(filesIn(folder.path()),
              (QStringList { u"org.example.kill.plist"_s, u"org.example.kill.plist.lock"_s }));
}

TEST(StoreFaults, TwoInstancesChangingTheIgnoreListAtOnceLoseNoId)
{
    FixtureTree tree;
    const QString file = tree.pathOf(u"org.example.shared.plist"_s);
    constexpr int Count = 500;
    // Each ignores its 500 ids and, one step behind, un-ignores every other one again. The parent
    // groups its changes in batches of ten, as a bulk ignore does; each batch must keep the child out.
    const auto work = [&file](const QString& prefix, bool batches) {
        PreferencesService service(std::make_shared<FileDefaultsDomain>(file));
        for (int i = 0; i < Count; i += 10) {
            std::optional<DefaultsDomain::Batch> batch;
            if (batches)
                batch.emplace(service.domain());
            for (int j = i; j < i + 10; ++j) {
                service.addIgnoredID(prefix + QString::number(j));
                if (j % 2 == 1)
                    service.removeIgnoredID(prefix + QString::number(j - 1));
            }
        }
    };
    ChildProcess child([&work](ChildProcess&) { work(u"child."_s, false); });
    work(u"parent."_s, true);
    ASSERT_TRUE(child.succeeded());

    QSet<QString> expected;
    for (int i = 1; i < Count; i += 2)
        expected << u"parent."_s + QString::number(i) << u"child."_s + QString::number(i);
    EXPECT_EQ(PreferencesService(std::make_shared<FileDefaultsDomain>(file)).loadIgnoredIDs(), expected);
}

TEST(StoreFaults, EntriesThatCannotBeWrittenBackDoNotBlockLaterWrites)
{
    // A binary file of another program: { "foreign": "a<NUL>b" in UTF-16, "edge": a date a
    // hundred microseconds before the last second a 32-bit count reaches }. The text reads as no
    // value; the date reads, rounded to that last second, which no property list can be written with.
    const QByteArray bytes = "bplist00"
        + QByteArray::fromHex("d201020304" // a dictionary of two entries, at 8
                              "57666f726569676e" // "foreign", at 13
                              "5465646765" // "edge", at 21
                              "63006100000062" // at 26
                              "3341dfffffffbffe5d" // at 33
                              "080d151a21" // the offset table, at 42
                              "0000000000000101"
                              "0000000000000005"
                              "0000000000000000"
                              "000000000000002a");
    FixtureTree tree;
    const QString file = tree.writeFile(u"org.example.foreign.plist"_s, bytes);
    PreferencesService preferences(std::make_shared<FileDefaultsDomain>(file));
    EXPECT_FALSE(preferences.domain().value(u"foreign"_s).isValid());
    ASSERT_EQ(preferences.domain().value(u"edge"_s).typeId(), QMetaType::QDateTime);

    preferences.addIgnoredID(u"test.kept"_s);
    preferences.recordReviewDate(u"test.kept"_s);
    EXPECT_EQ(preferences.loadIgnoredIDs(), QSet<QString> { u"test.kept"_s });
    EXPECT_TRUE(preferences.reviewDate(u"test.kept"_s).has_value());
    EXPECT_FALSE(preferences.domain().value(u"edge"_s).isValid());
    EXPECT_TRUE(filesIn(tree.path(), u"*.corrupt-*"_s).isEmpty()) << "the file was readable";
}

TEST(StoreFaults, AnIgnoreWhoseWriteFailsShowsWhatTheStoreKept)
{
    FixtureTree tree;
    PreferencesService preferences(std::make_shared<FileDefaultsDomain>(tree.pathOf(u"store.plist"_s)));
    preferences.addIgnoredID(u"test.kept"_s);
    AppModel model(preferences, AppScanner(tree.pathOf(u"none"_s), tree.pathOf(u"none"_s)));
    const auto app = [](const QString& id) {
        return AppInfo(id, id, u"/Applications/"_s + id + u".app"_s, u"1"_s, std::nullopt, std::nullopt,
                       std::nullopt);
    };
    {
        // A full disk, as far as this process can tell: every write of a file fails.
        const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        rlimit old {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        const rlimit tiny { 1, old.rlim_max };
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
        model.ignoreApps({ app(u"test.a"_s), app(u"test.b"_s) });
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::signal(SIGXFSZ, oldHandler);
    }
    EXPECT_EQ(preferences.loadIgnoredIDs(), QSet<QString> { u"test.kept"_s });
    EXPECT_EQ(model.ignoredIDs(), QSet<QString> { u"test.kept"_s });
}

TEST(StoreFaults, ADamagedStoreIsKeptAsideAndTheProgramStarts)
{
    // A torn write of another program, a hostile nesting, a list where the dictionary belongs.
    for (const QByteArray& damaged : QList<QByteArray> {
             PropertyList::serialize(QVariantMap { { u"ignoredIDs"_s, QVariantList { u"a"_s } } }).left(90),
             "<plist>" + QByteArray("<array>").repeated(5000),
             PropertyList::serialize(QVariantList { u"test.kept"_s }) }) {
        FixtureTree tree;
        const QString file = tree.writeFile(u"org.example.damaged.plist"_s, damaged);
        ::chmod(QFile::encodeName(file).constData(), 0644);
        PreferencesService preferences(std::make_shared<FileDefaultsDomain>(file));
        EXPECT_TRUE(preferences.loadIgnoredIDs().isEmpty());
        expectIgnoreWorks(preferences);

        EXPECT_EQ(PropertyList::readDictionary(file),
                  (QVariantMap { { PreferencesService::IgnoredIDsKey, QVariantList { u"test.kept"_s } } }));
        EXPECT_EQ(permissions(file), mode_t(0600)) << "the new file is the user's alone";
        const QStringList aside = filesIn(tree.path(), u"org.example.damaged.plist.corrupt-*"_s);
        ASSERT_EQ(aside.size(), 1);
        QFile kept(tree.pathOf(aside.first()));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), damaged);
    }
}

TEST(StoreFaults, AConfigFolderThatTakesNoFilesStillLeavesAWorkingProgram)
{
    // A folder that is read-only by its mode stops only a user whom the mode stops: a child process
    // as "nobody" uses the data folder, and memory when that takes no files either.
    if (const std::string why = ChildProcess::whyNoNobody(); !why.empty())
        GTEST_SKIP() << why;
    FixtureTree tree;
    ::chmod(QFile::encodeName(tree.path()).constData(), 0755);
    const QString readOnly = tree.makeFolder(u"read-only-config"_s);
    ::chmod(QFile::encodeName(readOnly).constData(), 0555);
    const QString writable = tree.makeFolder(u"nobody-data"_s);
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_EQ(::chown(QFile::encodeName(writable).constData(), nobody->pw_uid, nobody->pw_gid), 0);

    ChildProcess child(
        [&](ChildProcess& self) {
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(readOnly));
            for (const QString& data : { writable, readOnly }) {
                qputenv("XDG_DATA_HOME", QFile::encodeName(data));
                // Threads do not survive a fork, so the child changes the store without a model.
                PreferencesService preferences(DefaultsDomain::open(u"org.example.readonly"_s));
                preferences.addIgnoredID(u"test.kept"_s);
                self.write(preferences.domain().location().toUtf8() + '|'
                           + preferences.loadIgnoredIDs().values().join(u',').toUtf8() + '\n');
            }
        },
        ChildProcess::User::Nobody);
    QByteArray output;
    ASSERT_TRUE(child.succeeded(&output));
    EXPECT_EQ(output,
              (writable + u"/org.example.readonly/standard.plist|test.kept\n|test.kept\n"_s).toUtf8());
    EXPECT_TRUE(QDir(readOnly).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}
