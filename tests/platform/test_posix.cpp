// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Completeness.h"
#include "FieldAssertions.h"
#include "FixtureTree.h"
#include "Posix.h"
#include "SafeFile.h"

#include <QDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
mode_t modeOf(const QString& path)
{
    struct stat info
    {
    };
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}
} // namespace

TEST(Posix, AReplaceThatCannotBeWrittenLeavesTheOldFileAndNoTemporaryOne)
{
    FixtureTree tree;
    const QString file = tree.writeFile(u"state"_s, "old");
    ::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the process
    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit tiny { 1, old.rlim_max };
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const bool replaced = Posix::replaceAtomically(file, "new and longer");
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(SafeFile::readRegularFile(file), QByteArray("old"));
    EXPECT_EQ(QDir(tree.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList { u"state"_s });

    EXPECT_TRUE(Posix::replaceAtomically(file, "new"));
    EXPECT_EQ(std::pair(SafeFile::readRegularFile(file).value_or(QByteArray()), modeOf(file)),
              std::pair(QByteArray("new"), mode_t(0600)));
}

TEST(Posix, ALockHeldByAnotherDescriptorIsRefusedUntilItCloses)
{
    FixtureTree tree;
    for (const bool folder : { false, true }) {
        SCOPED_TRACE(folder ? "folder" : "file");
        const QString path = folder ? tree.makeFolder(u"copies"_s) : tree.pathOf(u"k.plist.lock"_s);
        UniqueFd held = Posix::lock(path, Posix::LockWait::Wait, folder);
        ASSERT_TRUE(held.isValid());
        const UniqueFd refused = Posix::lock(path, Posix::LockWait::DontWait, folder);
        EXPECT_EQ(std::pair(refused.isValid(), errno), std::pair(false, EWOULDBLOCK));
        held.close();
        EXPECT_TRUE(Posix::lock(path, Posix::LockWait::DontWait, folder).isValid());
    }
    // A link at the lock's path is never followed to a file it could truncate or create.
    const QString target = tree.writeFile(u"elsewhere"_s, "kept");
    ASSERT_TRUE(QFile::link(target, tree.pathOf(u"link.lock"_s)));
    EXPECT_FALSE(Posix::lock(tree.pathOf(u"link.lock"_s), Posix::LockWait::Wait).isValid());
}

TEST(Posix, APrivateFolderIsMadeWithItsParentsForTheOwnerOnly)
{
    FixtureTree tree;
    const QString deep = tree.pathOf(u"a/b/c"_s);
    EXPECT_TRUE(Posix::makePrivateFolder(deep));
    EXPECT_EQ(std::pair(modeOf(tree.pathOf(u"a"_s)), modeOf(deep)), std::pair(mode_t(0700), mode_t(0700)));
    EXPECT_TRUE(Posix::makePrivateFolder(deep)) << "a folder already there is fine";
    EXPECT_FALSE(Posix::makePrivateFolder(tree.writeFile(u"file"_s, "x"))) << "a file is no folder";
}

TEST(Completeness, OnlyAFailedReadAnywhereMakesAScanIncomplete)
{
    using enum ReadOutcome;
    const struct
    {
        QList<ReadOutcome> reads;
        bool complete;
    } cases[] = {
        { {}, true },
        { { Read, Absent, Absent }, true },
        { { Absent, Failed, Read }, false },
    };
    for (const auto& c : cases) {
        // The same reads noted one by one, passed on as results, and in a part merged in.
        Completeness direct, passed, merged, part;
        for (const ReadOutcome outcome : c.reads) {
            direct.note(outcome);
            EXPECT_EQ(passed.note(ReadResult<int>(std::nullopt, outcome)).outcome(), outcome);
            part.note(outcome);
        }
        merged.note(part);
        EXPECT_FIELDS_EQ(std::tuple(direct.isComplete(), passed.isComplete(), merged.isComplete()),
                         std::tuple(c.complete, c.complete, c.complete));
    }
}
