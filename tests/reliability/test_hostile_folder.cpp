// An Applications folder that anyone with write access to it may have filled: 10,000 entries, most
// of them ordinary bundles, the rest loops, devices, pipes, sockets, huge and deep property lists,
// unreadable folders and names the file system allows but programs rarely expect. The scan must
// finish, give exactly the records the ordinary rules give, and leave no descriptor or thread behind.
#include "AppScanner.h"
#include "ChildProcess.h"
#include "FileSystemMetadataSource.h"
#include "FixtureTree.h"
#include "PropertyList.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int EntryCount = 10000;

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

void writeRaw(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()))
        << path.constData();
    ::close(fd);
}

void bindSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, native(path).constData(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << qPrintable(path);
    ::close(fd); // the socket file stays
}

// 200,000 arrays inside each other.
QByteArray deepXml()
{
    return "<plist>" + QByteArray("<array>").repeated(200000) + QByteArray("</array>").repeated(200000)
        + "</plist>";
}

// 100,000 one-element arrays, each holding the next, with four-byte offsets and references.
QByteArray deepBinary()
{
    constexpr quint32 Depth = 100000;
    const auto bigEndian = [](quint64 value, int size) {
        QByteArray bytes(size, '\0');
        for (int i = size - 1; i >= 0; --i, value >>= 8)
            bytes[i] = char(value & 0xff);
        return bytes;
    };
    QByteArray bytes = "bplist00";
    QByteArray offsets;
    for (quint32 i = 0; i < Depth; ++i) {
        offsets += bigEndian(quint64(bytes.size()), 4);
        bytes += i + 1 < Depth ? '\xA1' + bigEndian(i + 1, 4) : QByteArray("\xA0");
    }
    const quint64 table = quint64(bytes.size());
    return bytes + offsets + QByteArray(6, '\0') + "\x04\x04" + bigEndian(Depth, 8) + bigEndian(0, 8)
        + bigEndian(table, 8);
}

// The folder and the records a scan of it should give, for a privileged scanner (one that
// permission bits do not stop) and for an unprivileged one.
class HostileFolder : public FixtureTree
{
public:
    QStringList privileged;
    QStringList unprivileged;
    int entries = 0;

    HostileFolder()
    {
        ::chmod(native(path()).constData(), 0755); // lets an unprivileged child reach the tree
        makeFolder(u"home"_s);
        const auto symlink = [](const char* target) {
            return [target](const QString& at) { EXPECT_EQ(::symlink(target, native(at).constData()), 0); };
        };
        const auto fifo = [](const QString& at) { EXPECT_EQ(::mkfifo(native(at).constData(), 0644), 0); };
        const auto sparse = [](const QString& at) {
            const int fd = ::open(native(at).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            EXPECT_EQ(::ftruncate(fd, off_t(2) << 30), 0);
            ::close(fd);
        };
        const auto write = [](const QByteArray& bytes) {
            return [bytes](const QString& at) { writeRaw(native(at), bytes); };
        };
        // Entries that are no bundle at all, and give no record.
        const std::vector<std::function<void(const QString&)>> noBundle {
            [](const QString& at) {
                EXPECT_EQ(::symlink(native(at).constData(), native(at).constData()), 0);
            },
            symlink("/dev/zero"),
            symlink("/dev/urandom"),
            symlink("nowhere/at/all"),
            write("not a bundle"),
            [](const QString& at) { QDir().mkpath(at); },
            bindSocket,
        };
        // Broken Info.plist files next to a usable App Store id: the record is named after the entry.
        const std::vector<std::function<void(const QString&)>> brokenInfo {
            symlink("Info.plist"), fifo, symlink("/dev/urandom"), bindSocket, sparse, write(deepXml()),
            write(deepBinary()),
        };
        // Broken iTunesMetadata.plist files without an Info.plist: no record.
        const std::vector<std::function<void(const QString&)>> brokenMetadata {
            fifo, symlink("/dev/zero"), sparse, write(deepXml()), write(deepBinary()),
        };
        qlonglong itemId = 500000;
        for (int i = 0; i < 20; ++i) {
            const QString n = QString::number(i);
            for (std::size_t k = 0; k < noBundle.size(); ++k)
                noBundle[k](entry(u"NoBundle%1-%2.app"_s.arg(i).arg(k)));
            // A pair of links pointing at each other.
            symlink(native(apps(u"PairB"_s + n)).constData())(entry(u"PairA"_s + n));
            symlink(native(apps(u"PairA"_s + n)).constData())(entry(u"PairB"_s + n));
            for (std::size_t k = 0; k < brokenInfo.size(); ++k) {
                if (i > 0 && k >= 4)
                    continue; // the huge and deep files are costly to write; one of each does
                const QString name = u"BrokenInfo%1-%2"_s.arg(i).arg(k);
                writePlist(u"Applications/%1.app/Contents/iTunesMetadata.plist"_s.arg(name),
                           { { u"itemId"_s, ++itemId } }, PropertyList::Format::Binary);
                brokenInfo[k](entry(name + u".app"_s) + u"/Contents/Info.plist"_s);
                expect(name + u".app"_s, name, name, itemId);
            }
            for (std::size_t k = 0; k < brokenMetadata.size() && (i == 0 || k < 2); ++k) {
                const QString at = entry(u"BrokenMetadata%1-%2.app"_s.arg(i).arg(k)) + u"/Contents"_s;
                QDir().mkpath(at);
                brokenMetadata[k](at + u"/iTunesMetadata.plist"_s);
            }
            // A bundle whose Wrapper is the bundle itself and which holds a link to itself named
            // like a wrapped application: every walk into it could go on for ever.
            const QString recursive = u"Recursive"_s + n;
            const QString recursivePath = entry(recursive + u".app"_s);
            QDir().mkpath(recursivePath);
            symlink(".")(recursivePath + u"/Wrapper"_s);
            symlink(".")(recursivePath + u"/Self.app"_s);
            writePlist(u"Applications/%1.app/iTunesMetadata.plist"_s.arg(recursive),
                       { { u"itemId"_s, ++itemId } });
            expect(recursive + u".app"_s, recursive, recursive, itemId);
            // Names with line breaks and names of 255 bytes, the longest a name can be.
            for (const QString& name :
                 QStringList { u"New\nLine"_s + n, QString(248, u'L') + n.rightJustified(3, u'0'),
                               QString(124, u'é') + n.rightJustified(3, u'0') }) {
                EXPECT_LE(native(name + u".app"_s).size(), 255);
                ++itemId;
                bundle(name + u".app"_s, u"test.odd.%1"_s.arg(itemId), u"Odd\nName"_s, itemId);
            }
            // A bundle under a name that is no UTF-8, which no QString could name again, is left out.
            const QByteArray invalid = native(apps(u"Bad"_s)) + "\xff\xfe" + native(n) + ".app";
            EXPECT_EQ(::mkdir(invalid.constData(), 0755)
                          | ::mkdir(QByteArray(invalid + "/Contents").constData(), 0755),
                      0);
            writeRaw(invalid + "/Contents/iTunesMetadata.plist",
                     PropertyList::serialize(QVariantMap { { u"itemId"_s, ++itemId } }));
            ++entries;
            // A link to a bundle outside the folder counts as installed there.
            makeBundle(u"outside/Real%1.app"_s.arg(i), u"test.outside."_s + n, ++itemId,
                       { { u"CFBundleName"_s, u"Outside"_s } });
            symlink(native(pathOf(u"outside/Real%1.app"_s.arg(i))).constData())(
                entry(u"Outside%1.app"_s.arg(i)));
            expect(u"Outside%1.app"_s.arg(i), u"test.outside."_s + n, u"Outside"_s, itemId);
            // A folder and an Info.plist that only a privileged scanner can read.
            bundle(u"Locked%1.app"_s.arg(i), u"test.locked."_s + n, u"Locked"_s, ++itemId, Who::Privileged);
            m_locked.append(apps(u"Locked%1.app"_s.arg(i)));
            bundle(u"LockedInfo%1.app"_s.arg(i), u"test.lockedinfo."_s + n, u"LockedInfo"_s, ++itemId,
                   Who::Privileged);
            expect(u"LockedInfo%1.app"_s.arg(i), u"LockedInfo"_s + n, u"LockedInfo"_s + n, itemId,
                   Who::Unprivileged);
            m_locked.append(apps(u"LockedInfo%1.app/Contents/Info.plist"_s.arg(i)));
            // Complete bundles without the application suffix, and plain files.
            makeBundle(u"Applications/NoSuffix"_s + n, u"test.nosuffix"_s, 1);
            writeFile(u"Applications/readme%1.txt"_s.arg(i), "x");
            entries += 2;
        }
        for (const QString& path : std::as_const(m_locked))
            ::chmod(native(path).constData(), 0);
        // The rest are ordinary bundles, in both forms.
        for (int i = 0; entries < EntryCount; ++i)
            bundle(u"Sane%1.app"_s.arg(i), u"test.sane.%1"_s.arg(i), u"Sane %1"_s.arg(i), ++itemId, Who::Both,
                   i % 2 ? PropertyList::Format::Binary : PropertyList::Format::Xml);
    }
    ~HostileFolder()
    {
        // Through the raw bytes, as no QString names some entries, and with the locks undone for a
        // user whom permission bits stop.
        for (const QString& path : std::as_const(m_locked))
            ::chmod(native(path).constData(), 0755);
        std::error_code ignored;
        std::filesystem::remove_all(native(apps()).constData(), ignored);
    }

    QString apps(const QString& name = {}) const { return pathOf(u"Applications/"_s + name); }

private:
    enum class Who { Both, Privileged, Unprivileged };

    // The path of a new entry, counted.
    QString entry(const QString& name)
    {
        ++entries;
        QDir().mkpath(apps());
        return apps(name);
    }

    void expect(const QString& entryName, const QString& id, const QString& name, qlonglong itemId,
                Who who = Who::Both)
    {
        const QString line = u"%1|%2|%3|%4"_s.arg(id, name, QString::number(itemId), apps(entryName));
        if (who != Who::Unprivileged)
            privileged.append(line);
        if (who != Who::Privileged)
            unprivileged.append(line);
    }

    void bundle(const QString& entryName, const QString& id, const QString& name, qlonglong itemId,
                Who who = Who::Both, PropertyList::Format format = PropertyList::Format::Xml)
    {
        makeBundle(u"Applications/"_s + entryName, id, itemId, { { u"CFBundleName"_s, name } }, format);
        ++entries;
        expect(entryName, id, name, itemId, who);
    }

    QStringList m_locked;
};

QStringList describeAll(const QList<AppInfo>& apps)
{
    QStringList lines;
    for (const AppInfo& app : apps)
        lines.append(u"%1|%2|%3|%4"_s.arg(app.id(), app.name(), app.adamID(), app.bundlePath()));
    lines.sort();
    return lines;
}

// Entries of a folder as the kernel lists them, whatever their names.
int countEntries(const QString& folder)
{
    std::error_code error;
    const std::filesystem::directory_iterator entries(native(folder).constData(), error);
    return error ? -1 : int(std::distance(entries, std::filesystem::directory_iterator()));
}

TEST(HostileApplicationsFolder, ScanGivesTheRecordsOfTheSaneEntriesAndLeavesNothingBehind)
{
    // Built on a memory file system where there is one: making and removing 30,000 files and
    // folders on a busy disk takes far longer than the scan.
    const QByteArray temporary = qgetenv("TMPDIR");
    if (QDir(u"/dev/shm"_s).exists())
        qputenv("TMPDIR", "/dev/shm");
    HostileFolder folder;
    temporary.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temporary);
    ASSERT_EQ(folder.entries, EntryCount);
    ASSERT_EQ(countEntries(folder.apps()), EntryCount);
    folder.privileged.sort();
    folder.unprivileged.sort();
    const AppScanner scanner(folder.apps(), folder.pathOf(u"home"_s),
                             std::make_shared<const FileSystemMetadataSource>());

    const int descriptorsBefore = countEntries(u"/proc/self/fd"_s);
    const int threadsBefore = countEntries(u"/proc/self/task"_s);
    const AppScanner::Result result = scanner.scanInstalledApps({});
    EXPECT_TRUE(result.complete);
    const QStringList actual = describeAll(result.apps);
    // Compared line by line, so that a failure names the entries that went wrong.
    EXPECT_EQ(actual, ::geteuid() == 0 ? folder.privileged : folder.unprivileged);
    for (const AppInfo& app : result.apps)
        ASSERT_TRUE(app.modificationDate() && app.modificationDate()->isValid()) << qPrintable(app.id());
    EXPECT_EQ(countEntries(u"/proc/self/fd"_s), descriptorsBefore) << "a descriptor was left open";
    EXPECT_EQ(countEntries(u"/proc/self/task"_s), threadsBefore) << "a thread was left running";

    // Root reads through permission bits; an ordinary user's scan finds the locked entries missing.
    if (const std::string why = ChildProcess::whyNoNobody(); !why.empty())
        GTEST_SKIP() << why;
    ChildProcess child(
        [&scanner](ChildProcess& self) {
            self.write(describeAll(scanner.scanInstalledApps({}).apps).join(QChar(0)).toUtf8());
        },
        ChildProcess::User::Nobody);
    QByteArray bytes;
    ASSERT_TRUE(child.succeeded(&bytes));
    EXPECT_EQ(QString::fromUtf8(bytes).split(QChar(0)), folder.unprivileged);
}

} // namespace
