#include "FileSystem.h"
#include "FixtureTree.h"
#include "SafeFile.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
QSet<QString> asSet(const QStringList& names)
{
    return QSet<QString>(names.cbegin(), names.cend());
}
} // namespace

TEST(SafeFile, ReadsRegularFilesAndFollowsLinksToThem)
{
    FixtureTree tree;
    const QString file = tree.writeFile(u"a.txt"_s, "content");
    EXPECT_EQ(SafeFile::readRegularFile(file), QByteArray("content"));
    ASSERT_TRUE(QFile::link(file, tree.pathOf(u"link"_s)));
    EXPECT_EQ(SafeFile::readRegularFile(tree.pathOf(u"link"_s)), QByteArray("content"));
    // Empty is a content, not a failure.
    EXPECT_EQ(SafeFile::readRegularFile(tree.writeFile(u"empty"_s, {})), QByteArray());
    EXPECT_FALSE(SafeFile::readRegularFile(tree.pathOf(u"missing"_s)).has_value());
}

TEST(SafeFile, RefusesEverythingButRegularFiles)
{
    FixtureTree tree;
    const QString fifo = tree.pathOf(u"fifo"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Without a writer a blocking open would hang here for ever.
    EXPECT_FALSE(SafeFile::readRegularFile(fifo).has_value());
    EXPECT_FALSE(SafeFile::readRegularFile(tree.makeFolder(u"folder"_s)).has_value());
    ASSERT_TRUE(QFile::link(u"/dev/zero"_s, tree.pathOf(u"zero"_s)));
    EXPECT_FALSE(SafeFile::readRegularFile(tree.pathOf(u"zero"_s)).has_value());
    ASSERT_TRUE(QFile::link(tree.pathOf(u"nowhere"_s), tree.pathOf(u"dangling"_s)));
    EXPECT_FALSE(SafeFile::readRegularFile(tree.pathOf(u"dangling"_s)).has_value());
}

TEST(SafeFile, RefusesFilesOverTheLimit)
{
    FixtureTree tree;
    const QString file = tree.writeFile(u"ten"_s, "0123456789");
    EXPECT_EQ(SafeFile::readRegularFile(file, 10), QByteArray("0123456789"));
    EXPECT_FALSE(SafeFile::readRegularFile(file, 9).has_value());
}

TEST(FileSystem, ListsNamesWithoutDotEntries)
{
    FixtureTree tree;
    tree.writeFile(u"folder/One.app/x"_s, {});
    tree.writeFile(u"folder/.hidden"_s, {});
    tree.writeFile(u"folder/Zürich.txt"_s, {});
    const auto names = FileSystem::listDirectory(tree.pathOf(u"folder"_s));
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(names->size(), 3);
    EXPECT_EQ(asSet(*names), (QSet<QString> { u"One.app"_s, u".hidden"_s, u"Zürich.txt"_s }));
    EXPECT_EQ(FileSystem::listDirectory(tree.makeFolder(u"empty"_s)), QStringList());
}

TEST(FileSystem, LeavesOutNamesThatAreNotUtf8)
{
    FixtureTree tree;
    tree.writeFile(u"folder/good.app"_s, {});
    const QByteArray badName = QFile::encodeName(tree.pathOf(u"folder/"_s)) + "bad\xff\xfe.app";
    const int fd = ::open(badName.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(FileSystem::listDirectory(tree.pathOf(u"folder"_s)), QStringList { u"good.app"_s });
    ::unlink(badName.constData()); // no QString names it, so the fixture could not remove it
}

TEST(FileSystem, FailsToListWhatIsNoFolder)
{
    FixtureTree tree;
    EXPECT_FALSE(FileSystem::listDirectory(tree.writeFile(u"plain"_s, "x")).has_value());
    EXPECT_FALSE(FileSystem::listDirectory(tree.pathOf(u"missing"_s)).has_value());
    EXPECT_FALSE(FileSystem::listDirectory(QString()).has_value());
}

TEST(FileSystem, FailsToListAnUnreadableFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not apply to root";
    FixtureTree tree;
    const QString folder = tree.makeFolder(u"locked"_s);
    tree.writeFile(u"locked/a"_s, {});
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0), 0);
    EXPECT_FALSE(FileSystem::listDirectory(folder).has_value());
    ::chmod(QFile::encodeName(folder).constData(), 0700);
}

TEST(FileSystem, ExistsForAnythingButDanglingLinks)
{
    FixtureTree tree;
    EXPECT_TRUE(FileSystem::exists(tree.writeFile(u"plain"_s, {})));
    EXPECT_TRUE(FileSystem::exists(tree.makeFolder(u"folder"_s)));
    EXPECT_FALSE(FileSystem::exists(tree.pathOf(u"missing"_s)));
    ASSERT_TRUE(QFile::link(tree.pathOf(u"missing"_s), tree.pathOf(u"dangling"_s)));
    EXPECT_FALSE(FileSystem::exists(tree.pathOf(u"dangling"_s)));
}

TEST(FileSystem, JoinsWithOneSlash)
{
    EXPECT_EQ(FileSystem::joinPath(u"/Applications"_s, u"Pastel.app"_s), u"/Applications/Pastel.app"_s);
    EXPECT_EQ(FileSystem::joinPath(u"/home/u/"_s, u"Applications"_s), u"/home/u/Applications"_s);
    EXPECT_EQ(FileSystem::joinPath(u"/"_s, u"Applications"_s), u"/Applications"_s);
}
