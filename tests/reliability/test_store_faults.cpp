// The stored preferences under the faults a desktop sees: a writer killed at any moment, two
// instances changing the ignore list at once, a config folder that takes no files, and a file that
// something else damaged. (Atomic replacement, the owner-only mode, moving a damaged file aside and
// the fallback of the domain itself are covered in the platform tests; these go through the
// program's own path to the store.)
#include "AppModel.h"
#include "DefaultsDomain.h"
#include "FileDefaultsDomain.h"
#include "FixtureTree.h"
#include "PreferencesService.h"
#include "PropertyList.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
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

const QString CounterKey = u"counter"_s;
const QString PaddingKey = u"padding"_s;

class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const QString& value)
        : m_name(name)
        , m_old(qgetenv(name))
    {
        qputenv(name, QFile::encodeName(value));
    }
    ~ScopedEnvironment() { qputenv(m_name, m_old); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    QByteArray m_old;
};

mode_t permissions(const QString& path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

bool waitUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(30000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Everything a child process wrote to the pipe until it ended.
QByteArray readAll(int fd)
{
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return bytes;
        bytes.append(buffer, n);
    }
}

// What a child process wrote to the pipe up to its first line (at most 10 s).
QByteArray readFirstLine(int fd)
{
    QByteArray bytes;
    char buffer[4096];
    pollfd readable { fd, POLLIN, 0 };
    while (!bytes.contains('\n') && ::poll(&readable, 1, 10000) > 0) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buffer, n);
    }
    return bytes;
}

void writeAll(int fd, const QByteArray& bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ::_exit(5);
        written += n;
    }
}

} // namespace

TEST(StoreFaults, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile)
{
    // A kill leaves the kernel's view of the files as it was, whether or not it reached the disk,
    // so a memory file system (where a flush costs nothing) tests the same thing many times faster.
    QTemporaryDir folder(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/kudora-kill-XXXXXX"_s
                                                      : QDir::tempPath() + u"/kudora-kill-XXXXXX"_s);
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.path() + u"/org.example.kill.plist"_s;
    // Some weight, so that a write takes long enough to be cut in the middle.
    const QByteArray padding(64 * 1024, 'p');
    {
        FileDefaultsDomain domain(file);
        domain.setValue(PaddingKey, padding);
        domain.setValue(CounterKey, qlonglong(0));
    }

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
        const qlonglong before = FileDefaultsDomain(file).value(CounterKey).toLongLong();
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            FileDefaultsDomain domain(file);
            for (qlonglong next = domain.value(CounterKey).toLongLong() + 1;; ++next) {
                domain.setValue(CounterKey, next);
                writeAll(fds[1], QByteArray::number(next) + '\n'); // done, as far as the writer knows
            }
        }
        ::close(fds[1]);
        // Counted from the first finished write, so that the time a process takes to start (long
        // under the sanitizers) does not decide where the kill falls.
        QByteArray reports = readFirstLine(fds[0]);
        QElapsedTimer writing;
        writing.start();
        std::uniform_real_distribution<double> delay(0, 6 * writeMicroseconds);
        std::this_thread::sleep_for(std::chrono::microseconds(qint64(delay(random))));
        ::kill(child, SIGKILL);
        const qint64 writingMicroseconds = writing.nsecsElapsed() / 1000;
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself, status " << status;
        ++kills;

        qlonglong acknowledged = before;
        int count = 0;
        reports += readAll(fds[0]);
        for (const QByteArray& line : reports.split('\n')) {
            if (!line.isEmpty()) {
                acknowledged = line.toLongLong();
                ++count;
            }
        }
        ::close(fds[0]);
        if (count > 1)
            writeMicroseconds =
                std::max(20.0, 0.7 * writeMicroseconds + 0.3 * double(writingMicroseconds) / (count - 1));

        const auto stored = PropertyList::readDictionary(file);
        ASSERT_TRUE(stored.has_value())
            << "the file does not parse after kill " << kills << " (seed " << seed << ")";
        const qlonglong counter = stored->value(CounterKey).toLongLong();
        // The last write the writer finished, or the one it was in.
        ASSERT_TRUE(counter == acknowledged || counter == acknowledged + 1)
            << "counter " << counter << " after acknowledging " << acknowledged << " (seed " << seed << ")";
        ASSERT_EQ(stored->value(PaddingKey).toByteArray(), padding);
        ASSERT_EQ(permissions(file), mode_t(0600));
        landed += counter - before;
    }
    std::printf("[ info     ] %d kills across %lld writes that landed, in %lld ms (seed %u)\n", kills, landed,
                timer.elapsed(), seed);
    EXPECT_GE(landed, 1000);
    EXPECT_GE(kills, 200);
    const QDir files(folder.path(), {}, QDir::Name, QDir::Files | QDir::Hidden);
    EXPECT_TRUE(files.entryList({ u"*.corrupt-*"_s }).isEmpty()) << "an intact file was taken for damaged";
    // Each write clears what killed writers left half-written.
    FileDefaultsDomain(file).setValue(CounterKey, qlonglong(-1));
    EXPECT_EQ(files.entryList(),
              (QStringList { u"org.example.kill.plist"_s, u"org.example.kill.plist.lock"_s }));
}

TEST(StoreFaults, TwoInstancesChangingTheIgnoreListAtOnceLoseNoId)
{
    FixtureTree tree;
    const QString file = tree.pathOf(u"org.example.shared.plist"_s);
    constexpr int Count = 500;
    // Each ignores its 500 ids and, one step behind, un-ignores every other one again.
    const auto work = [&file](const QString& prefix) {
        PreferencesService service(std::make_shared<FileDefaultsDomain>(file));
        for (int i = 0; i < Count; ++i) {
            service.addIgnoredID(prefix + QString::number(i));
            if (i % 2 == 1)
                service.removeIgnoredID(prefix + QString::number(i - 1));
        }
    };

    int start[2];
    ASSERT_EQ(::pipe2(start, O_CLOEXEC), 0);
    QElapsedTimer timer;
    timer.start();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(start[1]);
        char go;
        if (::read(start[0], &go, 1) != 1)
            ::_exit(2);
        work(u"child."_s);
        ::_exit(0);
    }
    ::close(start[0]);
    ASSERT_EQ(::write(start[1], "g", 1), 1); // both start together
    ::close(start[1]);
    work(u"parent."_s);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    const QSet<QString> ignored =
        PreferencesService(std::make_shared<FileDefaultsDomain>(file)).loadIgnoredIDs();
    int lost = 0;
    int revived = 0;
    for (const QString& prefix : { u"parent."_s, u"child."_s }) {
        for (int i = 0; i < Count; ++i) {
            const bool present = ignored.contains(prefix + QString::number(i));
            if (i % 2 == 1 && !present)
                ++lost;
            if (i % 2 == 0 && present)
                ++revived;
        }
    }
    std::printf("[ info     ] 2 x %d ids, %d writes, in %lld ms: %d lost, %d un-ignored ids back\n", Count,
                2 * (Count + Count / 2), timer.elapsed(), lost, revived);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(revived, 0);
    EXPECT_EQ(ignored.size(), Count);
}

TEST(StoreFaults, EntriesThatCannotBeWrittenBackDoNotBlockLaterWrites)
{
    // A binary file of another program: { "foreign": "a<NUL>b" in UTF-16, "edge": a date a
    // hundred microseconds before the last second a 32-bit count reaches }. The text reads as no
    // value; the date reads, rounded to that last second, which no property list can be written with.
    QByteArray bytes = "bplist00";
    bytes += QByteArray::fromHex("d201020304"); // a dictionary of two entries, at 8
    bytes += QByteArray::fromHex("57") + "foreign"; // at 13
    bytes += QByteArray::fromHex("54") + "edge"; // at 21
    bytes += QByteArray::fromHex("63006100000062"); // at 26
    bytes += QByteArray::fromHex("3341dfffffffbffe5d"); // at 33
    bytes += QByteArray::fromHex("080d151a21"); // the offset table, at 42
    bytes += QByteArray::fromHex("000000000000"
                                 "0101"
                                 "0000000000000005"
                                 "0000000000000000"
                                 "000000000000002a");
    FixtureTree tree;
    const QString file = tree.writeFile(u"org.example.foreign.plist"_s, bytes);
    PreferencesService preferences(std::make_shared<FileDefaultsDomain>(file));
    EXPECT_FALSE(preferences.domain().value(u"foreign"_s).isValid());
    ASSERT_EQ(preferences.domain().value(u"edge"_s).typeId(), QMetaType::QDateTime);

    preferences.addIgnoredID(u"test.kept"_s);
    EXPECT_EQ(preferences.loadIgnoredIDs(), QSet<QString> { u"test.kept"_s });
    preferences.recordReviewDate(u"test.kept"_s);
    EXPECT_TRUE(preferences.reviewDate(u"test.kept"_s).has_value());
    EXPECT_FALSE(preferences.domain().value(u"edge"_s).isValid());
    EXPECT_TRUE(QDir(tree.path()).entryList({ u"*.corrupt-*"_s }, QDir::Files).isEmpty())
        << "the file was readable";
}

namespace {

// A folder with one App Store application, and a model over it on the given preferences.
class ProgramOnStore
{
public:
    ProgramOnStore()
    {
        m_tree.makeBundle(u"Applications/Kept.app"_s, u"test.kept"_s, 42);
        m_tree.makeFolder(u"home"_s);
    }

    // Creates the model, waits for its first scan and ignores the application.
    void runOn(PreferencesService& preferences)
    {
        AppModel model(preferences, AppScanner(m_tree.pathOf(u"Applications"_s), m_tree.pathOf(u"home"_s)));
        QSignalSpy finished(&model, &AppModel::rescanFinished);
        ASSERT_TRUE(waitUntil([&] { return finished.count() > 0; }));
        ASSERT_EQ(model.apps().size(), 1);
        EXPECT_EQ(model.visibleApps().size(), 1);
        model.ignoreApps(model.apps());
        EXPECT_TRUE(model.isIgnored(model.apps().first()));
        EXPECT_TRUE(model.visibleApps().isEmpty());
        EXPECT_EQ(preferences.loadIgnoredIDs(), QSet<QString> { u"test.kept"_s });
    }

private:
    FixtureTree m_tree;
};

} // namespace

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
        rlimit tiny = old;
        tiny.rlim_cur = 1;
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
    // Damage of several kinds: a torn write of another program, a hostile nesting, no dictionary.
    for (const QByteArray& damaged : QList<QByteArray> {
             PropertyList::serialize(QVariantMap { { u"ignoredIDs"_s, QVariantList { u"a"_s } } }).left(90),
             QByteArray(QByteArray("<plist>") + QByteArray("<array>").repeated(5000)),
             PropertyList::serialize(QVariantList { u"test.kept"_s }) }) {
        FixtureTree tree;
        const QString file = tree.writeFile(u"org.example.damaged.plist"_s, damaged);
        ::chmod(QFile::encodeName(file).constData(), 0644);
        PreferencesService preferences(std::make_shared<FileDefaultsDomain>(file));
        EXPECT_TRUE(preferences.loadIgnoredIDs().isEmpty());

        ProgramOnStore program;
        program.runOn(preferences);

        const auto stored = PropertyList::readDictionary(file);
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(stored->value(PreferencesService::IgnoredIDsKey),
                  QVariant(QVariantList { u"test.kept"_s }));
        EXPECT_EQ(permissions(file), mode_t(0600)) << "the new file is the user's alone";
        const QStringList aside =
            QDir(tree.path()).entryList({ u"org.example.damaged.plist.corrupt-*"_s }, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        QFile kept(tree.pathOf(aside.first()));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), damaged);
    }
}

TEST(StoreFaults, AConfigFolderThatTakesNoFilesStillLeavesAWorkingProgram)
{
    // Root writes through permission bits, so for root the folder is a path below a plain file,
    // which no one can create a file in.
    FixtureTree tree;
    const QString blocker = tree.writeFile(u"plain-file"_s, "x");
    {
        const ScopedEnvironment config("XDG_CONFIG_HOME", blocker + u"/config"_s);
        const ScopedEnvironment data("XDG_DATA_HOME", tree.pathOf(u"data"_s));
        PreferencesService preferences(DefaultsDomain::open(u"org.example.readonly"_s));
        EXPECT_EQ(preferences.domain().location(),
                  tree.pathOf(u"data/org.example.readonly/standard.plist"_s));
        ProgramOnStore program;
        program.runOn(preferences);
    }
    {
        const ScopedEnvironment config("XDG_CONFIG_HOME", blocker + u"/config"_s);
        const ScopedEnvironment data("XDG_DATA_HOME", blocker + u"/data"_s);
        PreferencesService preferences(DefaultsDomain::open(u"org.example.readonly"_s));
        EXPECT_TRUE(preferences.domain().location().isEmpty()) << "kept in memory";
        ProgramOnStore program;
        program.runOn(preferences);
    }

    // A folder that is read-only by its mode, for a user whom the mode stops: a child process
    // as "nobody".
    if (::geteuid() != 0)
        GTEST_SKIP() << "the read-only folder needs root to take on another user";
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        GTEST_SKIP() << "there is no user \"nobody\"";
    ::chmod(QFile::encodeName(tree.path()).constData(), 0755);
    const QString readOnly = tree.makeFolder(u"read-only-config"_s);
    ::chmod(QFile::encodeName(readOnly).constData(), 0555);
    const QString writable = tree.makeFolder(u"nobody-data"_s);
    ASSERT_EQ(::chown(QFile::encodeName(writable).constData(), nobody->pw_uid, nobody->pw_gid), 0);

    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(fds[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(3);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(readOnly));
        qputenv("XDG_DATA_HOME", QFile::encodeName(writable));
        QByteArray report;
        const auto fallback = DefaultsDomain::open(u"org.example.readonly"_s);
        fallback->setValue(u"k"_s, u"v"_s);
        report += QFile::encodeName(fallback->location()) + '\n' + fallback->value(u"k"_s).toString().toUtf8()
            + '\n';
        qputenv("XDG_DATA_HOME", QFile::encodeName(readOnly));
        const auto memory = DefaultsDomain::open(u"org.example.readonly"_s);
        memory->setValue(u"k"_s, u"w"_s);
        report +=
            QFile::encodeName(memory->location()) + '\n' + memory->value(u"k"_s).toString().toUtf8() + '\n';
        writeAll(fds[1], report);
        ::_exit(0);
    }
    ::close(fds[1]);
    const QList<QByteArray> lines = readAll(fds[0]).split('\n');
    ::close(fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(QFile::decodeName(lines[0]), writable + u"/org.example.readonly/standard.plist"_s);
    EXPECT_EQ(lines[1], "v");
    EXPECT_EQ(lines[2], "") << "kept in memory";
    EXPECT_EQ(lines[3], "w");
    EXPECT_TRUE(QDir(readOnly).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}
