// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a scan makes of each way a read can fail, from the Applications folders to libflatpak: only
// "not there" is absence, and only a scan that read everything forgets what the user chose for an
// application. (The usage records only lend dates; the Flatpak tests break them.)
#include "AppModel.h"
#include "ChildProcess.h"
#include "FileSystemMetadataSource.h"
#include "FixtureTree.h"
#include "FlatpakFixture.h"
#include "FlatpakSource.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"
#include "TestEnvironment.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
using F = FlatpakFixture;
const QString Libflatpak = u"libflatpak.so.0"_s, NoLibrary = u"libkudora-no-such-flatpak.so.0"_s,
              Shim = QStringLiteral(KUDORA_FLATPAK_SHIM);
const auto configDir = [] { return QFile::decodeName(qgetenv("FLATPAK_CONFIG_DIR")); };

// The applications whose reviews are stored, by letter: two from the App Store (one in the home
// folder), three Flatpak ones (the user's, the system's, one from Flathub) and one long gone.
// clang-format off
const QList<std::pair<char, QString>> Reviewed { { 'K', u"test.kept"_s }, { 'H', u"test.home"_s },
    { 'U', QString::fromLatin1(F::UserApp) }, { 'S', QString::fromLatin1(F::SystemApp) },
    { 'F', QString::fromLatin1(F::FlathubApp) }, { 'G', u"test.gone"_s } };
// clang-format on

class ReadFailures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(F::shared().error().isEmpty()) << qPrintable(F::shared().error());
        m_tree.makeBundle(u"Applications/Kept.app"_s, u"test.kept"_s, 1);
        m_tree.makeBundle(u"home/Applications/Home.app"_s, u"test.home"_s, 2);
    }

    AppSources sources(const QString& library = Libflatpak) const
    {
        return { std::make_shared<const AppScanner>(m_tree.pathOf(u"Applications"_s),
                                                    m_tree.pathOf(u"home"_s),
                                                    std::make_shared<const FileSystemMetadataSource>()),
                 std::make_shared<const FlatpakSource>(m_tree.pathOf(u"data"_s), library) };
    }

    // The letters of the applications whose review is still stored after the model's scan, while
    // every read of a path fails as errorAt says.
    std::string reviewsAfterScan(const std::function<int(const QString&)>& errorAt, const QString& library)
    {
        const auto domain = std::make_shared<MemoryDefaultsDomain>();
        QVariantMap reviews;
        for (const auto& [letter, id] : Reviewed)
            reviews.insert(id, QDateTime::currentDateTimeUtc());
        domain->setValue(PreferencesService::ReviewDatesKey, reviews);
        PreferencesService preferences(domain);
        const FileSystem::FaultScope faults(errorAt);
        AppModel model(preferences, sources(library));
        if (!QSignalSpy(&model, &AppModel::rescanFinished).wait(30000))
            return "no end";
        std::string letters;
        for (const auto& [letter, id] : Reviewed)
            letters += preferences.reviewDate(AppId(id)) ? std::string(1, letter) : std::string();
        return letters;
    }

    FixtureTree m_tree;
};

} // namespace

TEST_F(ReadFailures, OnlyWhatIsNotThereLosesItsReviewAndOnlyAfterAScanThatReadEverything)
{
    EXPECT_EQ(reviewsAfterScan({}, Libflatpak), "KHUSF");
    const QString apps = m_tree.pathOf(u"Applications"_s), kept = apps + u"/Kept.app"_s;
    // Where reads fail (at those paths and below), the library loaded, and the reviews kept when the
    // failure means "not there" and when it does not.
    // clang-format off
    const std::tuple<const char*, QStringList, QString, std::string, std::string> places[] = {
        { "Applications folder", { apps }, Libflatpak, "HUSF", "KHUSFG" },
        { "home Applications folder", { m_tree.pathOf(u"home/Applications"_s) }, Libflatpak, "KUSF", "KHUSFG" },
        { "bundle", { kept }, Libflatpak, "HUSF", "KHUSFG" },
        // Without it the bundle is named after its entry, and its own id is not installed.
        { "Info.plist", { kept + u"/Contents/Info.plist"_s }, Libflatpak, "HUSF", "KHUSFG" },
        { "store id", { kept + u"/Contents/iTunesMetadata.plist"_s }, Libflatpak, "HUSF", "KHUSFG" },
        { "user installation", { F::userDir() }, Libflatpak, "KHS", "KHUSFG" },
        { "system installation", { F::systemDir() }, Libflatpak, "KHUF", "KHUSFG" },
        { "installations.d", { configDir() + u"/installations.d"_s }, Libflatpak, "KHUSF", "KHUSFG" },
        // Without the library only the disk tells whether an installation could be missing.
        { "library", { F::userDir(), F::systemDir() }, NoLibrary, "KH", "KHUSFG" },
        // Every remote's lookup fails so; a removed remote's applications are still installed.
        { "remote lookup", {}, Shim, "KHUSF", "KHUSFG" },
    };
    // clang-format on
    for (const auto& [what, paths, library, whenAbsent, whenFailed] : places) {
        for (const int error : { EACCES, EIO, ELOOP, ENOENT }) {
            SCOPED_TRACE(std::string(what) + ": " + std::strerror(error));
            if (library == Shim)
                qputenv("KUDORA_TEST_REMOTE_ERRNO", QByteArray::number(error));
            const auto errorAt = [&](const QString& path) {
                const auto below = [&](const QString& at) {
                    return path == at || path.startsWith(at + u'/');
                };
                return std::ranges::any_of(paths, below) ? error : 0;
            };
            EXPECT_EQ(reviewsAfterScan(errorAt, library), error == ENOENT ? whenAbsent : whenFailed);
            qunsetenv("KUDORA_TEST_REMOTE_ERRNO");
        }
    }
}

// The failures that libflatpak meets itself, as a configuration and permissions make them: a scan
// never creates anything. What the program reads itself fails as the table above makes it.
TEST_F(ReadFailures, RealUnreadableFoldersFilesAndInstallationsLeaveTheScanIncompleteAndCreateNothing)
{
    using Undo = std::function<void()>;
    const auto move = [](const QString& from, const QString& to) { return QDir().rename(from, to); };
    // Nothing or a plain file in place of path.
    const auto replaced = [&](const QString& path, bool byFile) -> Undo {
        EXPECT_TRUE(move(path, path + u".aside"_s)) << qPrintable(path);
        if (byFile)
            QFile(path).open(QIODevice::WriteOnly);
        return [=] { QFile::remove(path), move(path + u".aside"_s, path); };
    };
    // An installation that installations.d names, of whose folder only what is given is there: no
    // folder at all, an empty one, or the given file holding no configuration.
    const QString extra = QFileInfo(F::systemDir()).path() + u"/extra"_s,
                  conf = configDir() + u"/installations.d/extra.conf"_s;
    const auto configure = [&](const QString& content) -> Undo {
        FixtureTree::write(conf, "[Installation \"extra\"]\nPath=" + QFile::encodeName(extra) + "\n");
        if (!content.isNull())
            QDir().mkpath(extra);
        if (!content.isEmpty())
            FixtureTree::write(extra + u'/' + content, "[core\n");
        return [=] { QFile::remove(conf), QDir(extra).removeRecursively(); };
    };
    const auto locked = [](const QString& path) -> Undo {
        ::chmod(QFile::encodeName(path).constData(), 0);
        return [=] { ::chmod(QFile::encodeName(path).constData(), QFileInfo(path).isDir() ? 0755 : 0644); };
    };
    const QString apps = F::userDir() + u"/app"_s, repo = F::systemDir() + u"/repo"_s;
    const struct
    {
        const char* what;
        std::function<Undo()> make;
        bool complete = false, asNobody = false;
        QString mustNotExist = {};
    } cases[] = {
        { "installed applications a file", [&] { return replaced(apps, true); } },
        { "configured installation gone", [&] { return configure({}); }, false, false, extra },
        { "configured installation empty", [&] { return configure(u""_s); }, true, false,
          extra + u"/repo"_s },
        { "configured installation libflatpak cannot open", [&] { return configure(u"repo/config"_s); } },
        { "default installation without a repository", [&] { return replaced(repo, false); }, true, false,
          repo },
        { "nothing locked", [] { return Undo([] {}); }, true, true },
        { "installed applications locked", [&] { return locked(apps); }, false, true },
    };
    // For nobody to be stopped inside the trees, it must reach them; and libflatpak keeps a cache
    // of a system installation in the user's cache folder.
    const QStringList reached { QFileInfo(TestEnvironment::homePath()).path(), m_tree.path(),
                                QFile::decodeName(qgetenv("XDG_CACHE_HOME")) };
    const auto scannedWhole = [this] { return AppSource::scanAll(sources(), {}).complete; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.asNobody && !ChildProcess::canBeNobody())
            GTEST_SKIP() << "only root can take on the user nobody";
        for (const QString& path : c.asNobody ? reached : QStringList())
            ::chmod(QFile::encodeName(path).constData(), 0777);
        const Undo undo = c.make();
        bool complete = !c.asNobody && scannedWhole();
        if (c.asNobody) {
            ChildProcess child([&](ChildProcess& self) { self.write(scannedWhole() ? "1" : "0"); }, true);
            complete = child.finish() == "1";
        }
        const bool created = !c.mustNotExist.isEmpty() && QFileInfo::exists(c.mustNotExist);
        undo();
        for (const QString& path : c.asNobody ? reached : QStringList())
            ::chmod(QFile::encodeName(path).constData(), 0700);
        EXPECT_EQ(std::pair(complete, created), std::pair(c.complete, false));
    }
}
