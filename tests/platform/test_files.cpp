// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
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
using enum FileSystem::Outcome;

namespace {
// What a listing, a status and a read of path give.
std::tuple<FileSystem::Outcome, FileSystem::Outcome, FileSystem::Outcome> outcomes(const QString& path)
{
    FileSystem::Outcome listed, read;
    FileSystem::listDirectory(path, &listed);
    SafeFile::readRegularFile(path, SafeFile::DefaultLimit, &read);
    return { listed, FileSystem::status(path).outcome, read };
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
