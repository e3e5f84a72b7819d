// An Applications folder that anyone with write access to it may have filled: 10,000 entries, most
// of them ordinary bundles, the rest loops, devices, pipes, sockets, huge and deep property lists,
// unreadable folders and names the file system allows but programs rarely expect. The scan must
// finish, give exactly the records the ordinary rules give, and leave no descriptor or thread behind.
#include "AppScanner.h"
#include "FileSystemMetadataSource.h"
#include "PropertyList.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <iterator>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int EntryCount = 10000;

// What a record says, in one comparable line.
QString describe(const QString& id, const QString& name, const QString& adamID, const QString& path)
{
    return u"id=%1 name=%2 adamID=%3 path=%4"_s.arg(id, name, adamID, path);
}

QStringList describeAll(const QList<AppInfo>& apps)
{
    QStringList lines;
    for (const AppInfo& app : apps)
        lines.append(describe(app.id(), app.name(), app.adamID(), app.bundlePath()));
    return lines;
}

// Entries of a folder as the kernel lists them, whatever their names.
int countEntries(const QByteArray& folder)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            ++count;
    }
    ::closedir(dir);
    return count;
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// The records a scan should give, for a privileged scanner (one that permission bits do not stop)
// and for an unprivileged one.
struct Expectation
{
    QStringList privileged;
    QStringList unprivileged;
};

class HostileFolder
{
public:
    HostileFolder()
    {
        m_apps = m_tree.makeFolder(u"Applications"_s);
        m_tree.makeFolder(u"home"_s);
        m_tree.makeFolder(u"outside"_s);
        // Lets an unprivileged child reach the tree.
        ::chmod(native(m_tree.path()).constData(), 0755);
        build();
    }
    ~HostileFolder()
    {
        // So that the tree can be removed by a user whom permission bits do stop.
        for (const QString& path : std::as_const(m_locked))
            ::chmod(native(path).constData(), 0755);
        // Removed through their raw bytes, as no QString names them.
        for (const QByteArray& bundle : std::as_const(m_invalidNames)) {
            ::unlink(QByteArray(bundle + "/Contents/Info.plist").constData());
            ::unlink(QByteArray(bundle + "/Contents/iTunesMetadata.plist").constData());
            ::rmdir(QByteArray(bundle + "/Contents").constData());
            ::rmdir(bundle.constData());
        }
    }
    HostileFolder(const HostileFolder&) = delete;
    HostileFolder& operator=(const HostileFolder&) = delete;

    QString applications() const { return m_apps; }
    QString home() const { return m_tree.pathOf(u"home"_s); }
    const Expectation& expected() const { return m_expected; }
    int entries() const { return m_entries; }

private:
    QString entryPath(const QString& name) const { return m_apps + u'/' + name; }

    void expectBoth(const QString& entry, const QString& id, const QString& name, qlonglong itemId)
    {
        const QString line = describe(id, name, QString::number(itemId), entryPath(entry));
        m_expected.privileged.append(line);
        m_expected.unprivileged.append(line);
    }

    // A bundle at folder (any path) with an identifier and a name, and its App Store id.
    void writeBundle(const QString& folder, const QString& id, const QString& name, qlonglong itemId,
                     PropertyList::Format format = PropertyList::Format::Xml)
    {
        writeFile(folder + u"/Contents/Info.plist"_s,
                  PropertyList::serialize(
                      QVariantMap { { u"CFBundleIdentifier"_s, id }, { u"CFBundleName"_s, name } }, format));
        writeMetadata(folder + u"/Contents/iTunesMetadata.plist"_s, itemId);
    }

    void writeMetadata(const QString& path, qlonglong itemId)
    {
        writeFile(
            path,
            PropertyList::serialize(QVariantMap { { u"itemId"_s, itemId } }, PropertyList::Format::Binary));
    }

    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(path.section(u'/', 0, -2));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
            ADD_FAILURE() << "cannot write " << qPrintable(path);
    }

    static void writeRaw(const QByteArray& path, const QByteArray& bytes)
    {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        check(fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size()),
              "write", QString::fromLatin1(path));
        if (fd >= 0)
            ::close(fd);
    }

    static void check(bool ok, const char* what, const QString& path)
    {
        if (!ok)
            ADD_FAILURE() << what << " " << qPrintable(path) << ": " << std::strerror(errno);
    }

    void link(const QString& entry, const QByteArray& target)
    {
        check(::symlink(target.constData(), native(entryPath(entry)).constData()) == 0, "symlink", entry);
        ++m_entries;
    }

    // A bundle without identifier or name whose only usable file is its App Store id: the record
    // is then named after the entry.
    void bundleNamedByEntry(const QString& entry, qlonglong itemId)
    {
        writeMetadata(entryPath(entry) + u"/Contents/iTunesMetadata.plist"_s, itemId);
        const QString base = entry.chopped(4);
        expectBoth(entry, base, base, itemId);
    }

    void build()
    {
        qlonglong itemId = 500000;
        int serial = 0;
        const auto next = [&](const char* stem) -> QString {
            return QString::fromLatin1(stem) + QString::number(++serial);
        };

        for (int i = 0; i < 20; ++i) {
            // Links that loop, to themselves or in pairs.
            const QString self = next("SelfLoop") + u".app"_s;
            link(self, native(self));
            const QString a = next("PairA") + u".app"_s;
            const QString b = next("PairB") + u".app"_s;
            link(a, native(entryPath(b)));
            link(b, native(a));
            // Devices that never end.
            link(next("Zero") + u".app"_s, "/dev/zero");
            link(next("Random") + u".app"_s, "/dev/urandom");
            // A dangling link, a plain file and an empty folder under an application's name.
            link(next("Dangling") + u".app"_s, "nowhere/at/all");
            writeFile(entryPath(next("PlainFile") + u".app"_s), "not a bundle");
            m_tree.makeFolder(u"Applications/"_s + next("Empty") + u".app"_s);
            m_entries += 2;

            // A bundle whose Wrapper is the bundle itself and which holds a link to itself named
            // like a wrapped application: every walk into it could go on for ever.
            {
                const QString entry = next("Recursive") + u".app"_s;
                m_tree.makeFolder(u"Applications/"_s + entry);
                check(::symlink(".", native(entryPath(entry) + u"/Wrapper"_s).constData()) == 0, "symlink",
                      entry);
                check(::symlink(".", native(entryPath(entry) + u"/Self.app"_s).constData()) == 0, "symlink",
                      entry);
                writeMetadata(entryPath(entry) + u"/iTunesMetadata.plist"_s, ++itemId);
                const QString base = entry.chopped(4);
                expectBoth(entry, base, base, itemId);
                ++m_entries;
            }
            // Info.plist that loops, with a usable App Store id.
            {
                const QString entry = next("PlistLoop") + u".app"_s;
                bundleNamedByEntry(entry, ++itemId);
                check(
                    ::symlink("Info.plist", native(entryPath(entry) + u"/Contents/Info.plist"_s).constData())
                        == 0,
                    "symlink", entry);
                ++m_entries;
            }
            // Property lists that are FIFOs: both, or only Info.plist.
            {
                const QString entry = next("Fifos") + u".app"_s;
                m_tree.makeFolder(u"Applications/"_s + entry + u"/Contents"_s);
                for (const auto& file : { u"/Contents/Info.plist"_s, u"/Contents/iTunesMetadata.plist"_s })
                    check(::mkfifo(native(entryPath(entry) + file).constData(), 0644) == 0, "mkfifo", entry);
                const QString named = next("FifoInfo") + u".app"_s;
                bundleNamedByEntry(named, ++itemId);
                check(::mkfifo(native(entryPath(named) + u"/Contents/Info.plist"_s).constData(), 0644) == 0,
                      "mkfifo", named);
                m_entries += 2;
            }
            // Property lists that are links to endless devices.
            {
                const QString entry = next("DeviceInfo") + u".app"_s;
                bundleNamedByEntry(entry, ++itemId);
                check(::symlink("/dev/urandom",
                                native(entryPath(entry) + u"/Contents/Info.plist"_s).constData())
                          == 0,
                      "symlink", entry);
                const QString noId = next("DeviceMetadata") + u".app"_s;
                m_tree.makeFolder(u"Applications/"_s + noId + u"/Contents"_s);
                check(::symlink("/dev/zero",
                                native(entryPath(noId) + u"/Contents/iTunesMetadata.plist"_s).constData())
                          == 0,
                      "symlink", noId);
                m_entries += 2;
            }
            // Sockets: as the entry itself and as Info.plist.
            {
                bindSocket(entryPath(next("S") + u".app"_s));
                const QString entry = next("SockInfo") + u".app"_s;
                bundleNamedByEntry(entry, ++itemId);
                bindSocket(entryPath(entry) + u"/Contents/Info.plist"_s);
                m_entries += 2;
            }
            // Names with line breaks, of 255 bytes (the longest a name can be), and names that are
            // no UTF-8 (which no QString could name again, so they are left out).
            {
                const QString newline = next("New\nLine") + u".app"_s;
                writeBundle(entryPath(newline), u"test.newline."_s + QString::number(i), u"Line\nBreak"_s,
                            ++itemId);
                expectBoth(newline, u"test.newline."_s + QString::number(i), u"Line\nBreak"_s, itemId);

                const QString number = QString::number(i).rightJustified(3, u'0');
                const QString longAscii = QString(251 - 3, u'L') + number + u".app"_s;
                const QString longWide = QString(124, u'é') + number + u".app"_s; // 248 + 3 + 4 bytes
                EXPECT_EQ(native(longAscii).size(), 255);
                EXPECT_EQ(native(longWide).size(), 255);
                for (const QString& entry : { longAscii, longWide }) {
                    writeBundle(entryPath(entry), u"test.long."_s + entry.left(1) + number, u"Long"_s,
                                ++itemId, PropertyList::Format::Binary);
                    expectBoth(entry, u"test.long."_s + entry.left(1) + number, u"Long"_s, itemId);
                }

                // Written through the raw bytes: a QString path would name another entry.
                const QByteArray invalid = native(m_apps) + "/Bad\xff\xfe" + QByteArray::number(i) + ".app";
                m_invalidNames.append(invalid);
                check(::mkdir(invalid.constData(), 0755) == 0
                          && ::mkdir(QByteArray(invalid + "/Contents").constData(), 0755) == 0,
                      "mkdir", QString::number(i));
                writeRaw(
                    invalid + "/Contents/Info.plist",
                    PropertyList::serialize(QVariantMap { { u"CFBundleIdentifier"_s, u"test.invalid"_s } }));
                writeRaw(invalid + "/Contents/iTunesMetadata.plist",
                         PropertyList::serialize(QVariantMap { { u"itemId"_s, ++itemId } }));
                m_entries += 4;
            }
            // Links to bundles outside the folder count as installed there.
            {
                const QString target = m_tree.pathOf(u"outside/Real"_s + QString::number(i) + u".app"_s);
                writeBundle(target, u"test.outside."_s + QString::number(i), u"Outside"_s, ++itemId);
                const QString entry = next("Outside") + u".app"_s;
                link(entry, native(target));
                expectBoth(entry, u"test.outside."_s + QString::number(i), u"Outside"_s, itemId);
            }
            // Folders and files that only a privileged scanner can read.
            {
                const QString locked = next("LockedFolder") + u".app"_s;
                writeBundle(entryPath(locked), u"test.locked."_s + QString::number(i), u"Locked"_s, ++itemId);
                m_expected.privileged.append(describe(u"test.locked."_s + QString::number(i), u"Locked"_s,
                                                      QString::number(itemId), entryPath(locked)));
                ::chmod(native(entryPath(locked)).constData(), 0);
                m_locked.append(entryPath(locked));

                const QString unreadable = next("LockedInfo") + u".app"_s;
                writeBundle(entryPath(unreadable), u"test.unreadable."_s + QString::number(i),
                            u"Unreadable"_s, ++itemId);
                ::chmod(native(entryPath(unreadable) + u"/Contents/Info.plist"_s).constData(), 0);
                m_locked.append(entryPath(unreadable) + u"/Contents/Info.plist"_s);
                m_expected.privileged.append(describe(u"test.unreadable."_s + QString::number(i),
                                                      u"Unreadable"_s, QString::number(itemId),
                                                      entryPath(unreadable)));
                m_expected.unprivileged.append(describe(unreadable.chopped(4), unreadable.chopped(4),
                                                        QString::number(itemId), entryPath(unreadable)));
                m_entries += 2;
            }
        }

        // Property lists too large to read (sparse, so they cost no disk), and nested far deeper
        // than any reader should follow, in both forms.
        for (int i = 0; i < 2; ++i) {
            const QString hugeInfo = next("HugeInfo") + u".app"_s;
            bundleNamedByEntry(hugeInfo, ++itemId);
            makeSparse(entryPath(hugeInfo) + u"/Contents/Info.plist"_s);
            const QString hugeMetadata = next("HugeMetadata") + u".app"_s;
            makeSparse(entryPath(hugeMetadata) + u"/Contents/iTunesMetadata.plist"_s);

            const QString deepInfo = next("DeepInfo") + u".app"_s;
            bundleNamedByEntry(deepInfo, ++itemId);
            writeFile(entryPath(deepInfo) + u"/Contents/Info.plist"_s, i == 0 ? deepXml() : deepBinary());
            const QString deepMetadata = next("DeepMetadata") + u".app"_s;
            writeFile(entryPath(deepMetadata) + u"/Contents/iTunesMetadata.plist"_s,
                      i == 0 ? deepXml() : deepBinary());
            m_entries += 4;
        }

        // Entries that are no applications at all, however complete.
        for (int i = 0; i < 20; ++i) {
            writeBundle(m_apps + u"/NoSuffix"_s + QString::number(i), u"test.nosuffix"_s, u"No"_s, 1);
            writeFile(m_apps + u"/readme"_s + QString::number(i) + u".txt"_s, "x");
            m_entries += 2;
        }

        // The rest are ordinary bundles, in both forms.
        for (int i = 0; m_entries < EntryCount; ++i) {
            const QString entry = u"Sane"_s + QString::number(i) + u".app"_s;
            const QString id = u"test.sane."_s + QString::number(i);
            const QString name = u"Sane "_s + QString::number(i);
            writeBundle(entryPath(entry), id, name, ++itemId,
                        i % 2 ? PropertyList::Format::Binary : PropertyList::Format::Xml);
            expectBoth(entry, id, name, itemId);
            ++m_entries;
        }
    }

    void bindSocket(const QString& path)
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray name = native(path);
        ASSERT_LT(size_t(name.size()), sizeof address.sun_path) << qPrintable(path);
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        check(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0, "bind", path);
        ::close(fd); // the socket file stays
    }

    void makeSparse(const QString& path)
    {
        QDir().mkpath(path.section(u'/', 0, -2));
        const int fd = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        check(fd >= 0 && ::ftruncate(fd, off_t(2) << 30) == 0, "ftruncate", path);
        if (fd >= 0)
            ::close(fd);
    }

    // 200,000 arrays inside each other.
    static QByteArray deepXml()
    {
        constexpr int Depth = 200000;
        return "<?xml version=\"1.0\"?><plist version=\"1.0\">" + QByteArray("<array>").repeated(Depth)
            + QByteArray("</array>").repeated(Depth) + "</plist>";
    }

    // 100,000 one-element arrays, each holding the next.
    static QByteArray deepBinary()
    {
        constexpr int Depth = 100000;
        QByteArray bytes = "bplist00";
        QByteArray offsets;
        for (int i = 0; i < Depth; ++i) {
            const quint32 offset = quint32(bytes.size());
            offsets.append(char(offset >> 24))
                .append(char(offset >> 16))
                .append(char(offset >> 8))
                .append(char(offset));
            if (i + 1 < Depth) {
                const quint32 next = quint32(i + 1);
                bytes.append(char(0xA1))
                    .append(char(next >> 24))
                    .append(char(next >> 16))
                    .append(char(next >> 8))
                    .append(char(next));
            } else {
                bytes.append(char(0xA0));
            }
        }
        const quint64 table = quint64(bytes.size());
        bytes.append(offsets);
        QByteArray trailer(32, '\0');
        trailer[6] = 4; // offset size
        trailer[7] = 4; // reference size
        for (int b = 0; b < 8; ++b) {
            trailer[8 + b] = char(quint64(Depth) >> (56 - 8 * b));
            trailer[24 + b] = char(table >> (56 - 8 * b));
        }
        return bytes + trailer;
    }

    // On a memory file system where there is one: making and removing 30,000 files and folders on a
    // busy disk takes far longer than the scan.
    class Tree
    {
    public:
        Tree()
            : m_dir(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/kudora-hostile-XXXXXX"_s
                                                 : QDir::tempPath() + u"/kudora-hostile-XXXXXX"_s)
        {
            if (!m_dir.isValid())
                ADD_FAILURE() << "cannot create the folder";
        }
        QString path() const { return m_dir.path(); }
        QString pathOf(const QString& relative) const { return path() + u'/' + relative; }
        QString makeFolder(const QString& relative)
        {
            if (!QDir().mkpath(pathOf(relative)))
                ADD_FAILURE() << "cannot create " << qPrintable(relative);
            return pathOf(relative);
        }

    private:
        QTemporaryDir m_dir;
    };

    Tree m_tree;
    QString m_apps;
    Expectation m_expected;
    QStringList m_locked;
    QList<QByteArray> m_invalidNames;
    int m_entries = 0;
};

// Lines in one list and not the other, a few of each, for a readable failure.
std::string difference(QStringList actual, QStringList expected)
{
    actual.sort();
    expected.sort();
    QStringList missing;
    QStringList extra;
    std::set_difference(expected.cbegin(), expected.cend(), actual.cbegin(), actual.cend(),
                        std::back_inserter(missing));
    std::set_difference(actual.cbegin(), actual.cend(), expected.cbegin(), expected.cend(),
                        std::back_inserter(extra));
    QString text = u"%1 missing, %2 unexpected\n"_s.arg(missing.size()).arg(extra.size());
    for (const QString& line : missing.mid(0, 10))
        text += u"  missing: "_s + line + u'\n';
    for (const QString& line : extra.mid(0, 10))
        text += u"  unexpected: "_s + line + u'\n';
    return text.toStdString();
}

// The records an unprivileged user (nobody) gets from the same folder, scanned in a child process.
std::optional<QStringList> scanAsNobody(const HostileFolder& folder, std::string* skipReason)
{
    if (::geteuid() != 0) {
        *skipReason = "not running as root, so no other user can be taken on";
        return std::nullopt;
    }
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody) {
        *skipReason = "there is no user \"nobody\"";
        return std::nullopt;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        *skipReason = "no pipe";
        return std::nullopt;
    }
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0 || ::geteuid() == 0)
            ::_exit(3);
        const AppScanner scanner(folder.applications(), folder.home(),
                                 std::make_shared<const FileSystemMetadataSource>());
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << describeAll(scanner.scanInstalledApps({}).apps);
        for (qsizetype written = 0; written < bytes.size();) {
            const ssize_t n = ::write(fds[1], bytes.constData() + written, size_t(bytes.size() - written));
            if (n <= 0)
                ::_exit(4);
            written += n;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray bytes;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        bytes.append(buffer, n);
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "the unprivileged scan failed, status " << status;
        return QStringList();
    }
    QStringList lines;
    QDataStream in(bytes);
    in >> lines;
    return lines;
}

TEST(HostileApplicationsFolder, ScanGivesTheRecordsOfTheSaneEntriesAndLeavesNothingBehind)
{
    QElapsedTimer building;
    building.start();
    const HostileFolder folder;
    ASSERT_EQ(folder.entries(), EntryCount);
    ASSERT_EQ(countEntries(native(folder.applications())), EntryCount);
    std::printf("[ info     ] built %d entries in %lld ms\n", EntryCount, building.elapsed());

    const int descriptorsBefore = countEntries("/proc/self/fd");
    const int threadsBefore = countEntries("/proc/self/task");
    const AppScanner scanner(folder.applications(), folder.home(),
                             std::make_shared<const FileSystemMetadataSource>());

    QElapsedTimer timer;
    timer.start();
    const AppScanner::Result result = scanner.scanInstalledApps({});
    const qint64 elapsed = timer.elapsed();
    std::printf("[ info     ] scanned %d entries in %lld ms, %lld records\n", EntryCount, elapsed,
                qlonglong(result.apps.size()));
    // Only a guard against a scan that hangs; the time itself is measured in bench/.
    EXPECT_LT(elapsed, 60000);

    EXPECT_TRUE(result.complete);
    const bool privileged = ::geteuid() == 0;
    const QStringList& expected = privileged ? folder.expected().privileged : folder.expected().unprivileged;
    const QStringList actual = describeAll(result.apps);
    EXPECT_EQ(actual.size(), expected.size()) << difference(actual, expected);
    EXPECT_TRUE(QSet<QString>(actual.cbegin(), actual.cend())
                == QSet<QString>(expected.cbegin(), expected.cend()))
        << difference(actual, expected);
    for (const AppInfo& app : result.apps) {
        if (app.id().startsWith(u"test.sane."_s)) {
            ASSERT_TRUE(app.modificationDate().has_value() && app.modificationDate()->isValid())
                << qPrintable(app.id());
        }
    }

    EXPECT_EQ(countEntries("/proc/self/fd"), descriptorsBefore) << "a descriptor was left open";
    EXPECT_EQ(countEntries("/proc/self/task"), threadsBefore) << "a thread was left running";

    // Root reads through permission bits, so the unreadable entries above were read; a scan as an
    // ordinary user shows that they count as missing there.
    std::string skipReason;
    timer.restart();
    const std::optional<QStringList> unprivileged = scanAsNobody(folder, &skipReason);
    std::printf("[ info     ] scanned as nobody in %lld ms\n", timer.elapsed());
    if (!unprivileged)
        GTEST_SKIP() << "unprivileged scan skipped: " << skipReason;
    EXPECT_EQ(unprivileged->size(), folder.expected().unprivileged.size())
        << difference(*unprivileged, folder.expected().unprivileged);
    EXPECT_TRUE(
        QSet<QString>(unprivileged->cbegin(), unprivileged->cend())
        == QSet<QString>(folder.expected().unprivileged.cbegin(), folder.expected().unprivileged.cend()))
        << difference(*unprivileged, folder.expected().unprivileged);
}

} // namespace
