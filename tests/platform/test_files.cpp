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

TEST(SafeFile, ReadsOnlyRegularFilesOrLinksToThemWithinTheLimit)
{
    FixtureTree tree;
    ASSERT_TRUE(QFile::link(tree.writeFile(u"a.txt"_s, "content"), tree.pathOf(u"link"_s)));
    EXPECT_EQ(SafeFile::readRegularFile(tree.pathOf(u"link"_s)), QByteArray("content"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(tree.pathOf(u"fifo"_s)).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(u"/dev/zero"_s, tree.pathOf(u"zero"_s)));
    ASSERT_TRUE(QFile::link(tree.pathOf(u"nowhere"_s), tree.pathOf(u"dangling"_s)));
    // Without a writer a blocking open of the FIFO would hang here for ever; a NUL would name another file.
    for (const QString& path : { tree.pathOf(u"fifo"_s), tree.makeFolder(u"folder"_s), tree.pathOf(u"zero"_s),
                                 tree.pathOf(u"dangling"_s), tree.pathOf(u"missing"_s),
                                 QString(tree.pathOf(u"a.txt"_s) + QChar(0) + u"x"_s) })
        EXPECT_FALSE(SafeFile::readRegularFile(path).has_value()) << qPrintable(path);
    const QByteArray bytes(100000, 'x');
    const QString path = tree.writeFile(u"f"_s, bytes);
    EXPECT_EQ(SafeFile::readRegularFile(path), bytes);
    EXPECT_EQ(SafeFile::readRegularFile(path, bytes.size()), bytes);
    EXPECT_FALSE(SafeFile::readRegularFile(path, bytes.size() - 1));
    // Empty is a content, not a failure.
    EXPECT_EQ(SafeFile::readRegularFile(tree.writeFile(u"empty"_s, {}), 0), QByteArray());
}

TEST(FileSystem, ListsFoldersWithAllNamesButDotEntriesAndNonUtf8OnesAndFindsAllButDanglingLinks)
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
    for (const QString& path : { tree.writeFile(u"plain"_s, "x"), tree.pathOf(u"missing"_s), QString() })
        EXPECT_FALSE(FileSystem::listDirectory(path).has_value()) << qPrintable(path);
    // Anything exists but a dangling link.
    ASSERT_TRUE(QFile::link(tree.pathOf(u"missing"_s), tree.pathOf(u"dangling"_s)));
    EXPECT_FALSE(FileSystem::exists(tree.pathOf(u"dangling"_s))
                 || FileSystem::exists(tree.pathOf(u"missing"_s)));
    EXPECT_TRUE(FileSystem::exists(tree.pathOf(u"plain"_s)) && FileSystem::exists(tree.pathOf(u"empty"_s)));
}
