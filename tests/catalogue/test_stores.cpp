// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppLists.h"
#include "AppModel.h"
#include "AppScanner.h"
#include "DesktopWorkspace.h"
#include "DistroSource.h"
#include "FakeMetadata.h"
#include "FieldAssertions.h"
#include "FlatpakFixture.h"
#include "FlatpakSource.h"
#include "FolderWatcher.h"
#include "MemoryDefaultsDomain.h"
#include "OpenerDouble.h"
#include "PreferencesService.h"
#include "SafeFile.h"
#include "SnapSource.h"
#include "SnapdClient.h"
#include "SnapdDouble.h"
#include "TestEnvironment.h"
#include "UsageRecords.h"

#include <QDirIterator>
#include <QImage>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <future>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;

namespace {

using F = FlatpakFixture;

const auto at = [](qint64 seconds) { return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC); };

QByteArray gnomeState(const QList<std::pair<QByteArray, qint64>>& seen)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<application-state>\n  <context id=\"\">\n";
    for (const auto& [desktopID, seconds] : seen)
        xml += "    <application id=\"" + desktopID + "\" open-window-count=\"0\" score=\"3.5\" last-seen=\""
            + QByteArray::number(seconds) + "\"/>\n";
    return xml + "  </context>\n</application-state>\n";
}

class FlatpakTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(F::shared().error().isEmpty()) << qPrintable(F::shared().error()); }

    AppSource::Result scan(const ReviewDateMap& r = {}) const { return FlatpakSource(m_data.path()).scan(r); }
    QString kdePath() const { return m_data.pathOf(u"kactivitymanagerd/resources/database"_s); }

    FixtureTree m_data;
};

TEST_F(FlatpakTest, ListsOneRecordPerStoreApplicationWithItsNameAndPages)
{
    // The program holds the first scan back before it loads libflatpak, until its window has painted.
    std::promise<void> painted;
    int waits = 0;
    const FlatpakSource source(m_data.path(), u"libflatpak.so.0"_s,
                               [&, go = painted.get_future().share()] { ++waits, go.wait(); });
    auto scanning = std::async(std::launch::async, [&] {
        return source.scan({ { AppId(QString::fromLatin1(F::BothApp)), at(1600000000) } });
    });
    EXPECT_EQ(scanning.wait_for(50ms), std::future_status::timeout);
    painted.set_value();
    const AppSource::Result result = scanning.get();
    EXPECT_EQ(waits, 1);
    // Id, name, installation, web page.
    // clang-format off
    const QList<std::tuple<const char*, QString, QString, QString>> cases {
        { F::UserApp, u"User App"_s, F::userDir(), {} },
        // Without desktop entry or AppStream name, the id.
        { F::SystemApp, QString::fromLatin1(F::SystemApp), F::systemDir(), {} },
        // In both installations, the user's.
        { F::BothApp, u"Both App"_s, F::userDir(), {} },
        { F::LocalisedApp, u"American"_s, F::userDir(), {} },
        // AppStream's name before the desktop entry's.
        { F::AppDataApp, u"AppStream Name"_s, F::userDir(), {} },
        { F::FlathubApp, u"Flathub App"_s, F::userDir(), u"https://flathub.org/apps/org.kudora.test.FlathubApp"_s },
    };
    // clang-format on
    // No sideloaded bundle, no runtime.
    EXPECT_FIELDS_EQ(std::tuple(result.completeness.isComplete(), result.apps.size()),
                     std::tuple(true, cases.size()));
    DesktopWorkspace workspace;
    for (const auto& [id, name, installation, webPage] : cases) {
        SCOPED_TRACE(id);
        const AppInfo* app = findApp(result.apps, id);
        ASSERT_NE(app, nullptr);
        // The id's case reaches the software centre unchanged.
        EXPECT_FIELDS_EQ(
            std::tuple(app->name(), app->bundlePath().startsWith(installation + u"/app/"_s),
                       app->originText(), app->reviewURL().value_or(QUrl()).toString(),
                       app->reviewFallbackURL().value_or(QUrl()).toString(), app->modificationDate(),
                       app->lastReviewedDate()),
            std::tuple(name, true,
                       u"Flatpak · %1 installation · %2"_s.arg(
                           installation == F::userDir() ? u"user"_s : u"system"_s, QLatin1StringView(id)),
                       QString(u"appstream:"_s + QLatin1StringView(id)), webPage,
                       QFileInfo(app->bundlePath()).lastModified().toUTC(),
                       id == F::BothApp ? OptionalDate(at(1600000000)) : std::nullopt));
        // The icon the installation exports (the fixture's is blue), or the generic one.
        const QIcon icon = workspace.iconForFile(app->bundlePath());
        EXPECT_EQ(
            std::tuple(icon.isNull(), icon.pixmap(16, 16).toImage().pixelColor(8, 8) == QColor(Qt::blue)),
            std::tuple(false, id == F::UserApp));
    }
}

// The activity manager's database as kactivitymanagerd keeps it while it runs: in write-ahead-log
// mode, the rows still in the log, not in the main file.
TEST_F(FlatpakTest, LastUseIsTheNewestOfTheDesktopsRecords)
{
    m_data.writeFile(u"gnome-shell/application_state"_s,
                     gnomeState({ { "org.kudora.test.UserApp.desktop", 1700000000 },
                                  { "org.kudora.test.BothApp.desktop", 1700002000 },
                                  { "org.kudora.test.LocalisedApp.desktop", 1700003000 },
                                  { "window:12", 1700009000 } }));
    QDir().mkpath(QFileInfo(kdePath()).path());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(kdePath()).constData(), &db), SQLITE_OK);
    const auto closer = qScopeGuard([db] { sqlite3_close(db); });
    const char* sql = R"(PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;
        CREATE TABLE ResourceScoreCache (usedActivity TEXT, initiatingAgent TEXT, targettedResource TEXT,
            scoreType INTEGER, cachedScore FLOAT, firstUpdate INTEGER, lastUpdate INTEGER,
            PRIMARY KEY(usedActivity, initiatingAgent, targettedResource));
        INSERT INTO ResourceScoreCache VALUES
            ('a', 'org.kde.plasmashell', 'applications:org.kudora.test.SystemApp.desktop', 0, 1.0, 1, 1700001500),
            ('a', 'org.kde.plasmashell', 'applications:org.kudora.test.BothApp.desktop', 0, 1.0, 1, 1700001800),
            ('a', 'org.kde.plasmashell', 'applications:org.kudora.test.LocalisedApp', 0, 1.0, 1, 1700003500),
            ('a', 'org.kde.plasmashell', 'file:///home/user/org.kudora.test.FlathubApp', 0, 1.0, 1, 1700009000);)";
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    ASSERT_GT(QFileInfo(kdePath() + u"-wal"_s).size(), 0);
    const QByteArray original = *SafeFile::readRegularFile(kdePath());

    const AppSource::Result result = scan();
    EXPECT_TRUE(result.completeness.isComplete());
    const QList<std::pair<const char*, OptionalDate>> expected {
        { F::UserApp, at(1700000000) },  { F::SystemApp, at(1700001500) },
        { F::BothApp, at(1700002000) },  { F::LocalisedApp, at(1700003500) },
        { F::FlathubApp, std::nullopt }, { F::AppDataApp, std::nullopt },
    };
    for (const auto& [id, lastUse] : expected)
        EXPECT_EQ(findApp(result.apps, id)->lastAccessedDate(), lastUse) << id;
    // The manager's files are as it left them, and it can still write.
    EXPECT_EQ(*SafeFile::readRegularFile(kdePath()), original);
    EXPECT_EQ(sqlite3_exec(db, "UPDATE ResourceScoreCache SET lastUpdate = 1", nullptr, nullptr, nullptr),
              SQLITE_OK);
}

// They only lend dates: a record that cannot be read takes its dates with it, nothing else. A
// database copy that a killed scan left behind goes at the next one, one in use stays.
TEST_F(FlatpakTest, BrokenUsageRecordsDropOnlyTheirDates)
{
    const QByteArray state = gnomeState({ { "org.kudora.test.UserApp.desktop", 1700000000 } });
    const auto database = [](const char* schema) {
        FixtureTree tree;
        const QString path = tree.pathOf(u"db"_s);
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(db, schema, nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return *SafeFile::readRegularFile(path);
    };
    // A thousand uses of one application, the last at 1700000000.
    const char* table = "CREATE TABLE ResourceScoreCache (targettedResource TEXT, lastUpdate INTEGER);"
                        "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n LIMIT 1000) "
                        "INSERT INTO ResourceScoreCache SELECT 'applications:org.kudora.test.UserApp', "
                        "1699999000 + x FROM n;";
    // clang-format off
    const QList<std::tuple<QByteArray, QByteArray, OptionalDate>> cases {
        { state.left(90), {}, std::nullopt },
        { R"(<?xml version="1.0"?><plist><application id="org.kudora.test.UserApp.desktop" last-seen="1"/></plist>)", {}, std::nullopt },
        { state + QByteArray(UsageRecords::StateFileLimit, ' '), {}, std::nullopt },
        { {}, "SQLite format 3\0garbage", std::nullopt },
        // Only a table counts: a view of that name could query itself for ever.
        { {}, database("CREATE VIEW ResourceScoreCache AS SELECT 'applications:org.kudora.test.UserApp' AS targettedResource, 1 AS lastUpdate;"), std::nullopt },
        { {}, database(table), at(1700000000) },
    };
    // clang-format on
    const QString copies = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    for (const auto& [gnome, kde, lastUse] : cases) {
        SCOPED_TRACE(gnome.left(60).toStdString() + kde.left(40).toStdString());
        QDir(m_data.path()).removeRecursively();
        if (!gnome.isNull())
            m_data.writeFile(u"gnome-shell/application_state"_s, gnome);
        if (!kde.isNull())
            m_data.writeFile(u"kactivitymanagerd/resources/database"_s, kde);
        QDir(copies).mkpath(u"kudora-activity-left/x"_s);
        QDir(copies).mkpath(u"kudora-activity-used"_s);
        const int used = ::open(QFile::encodeName(copies + u"/kudora-activity-used"_s).constData(), O_RDONLY);
        ::flock(used, LOCK_EX);
        const AppSource::Result result = scan();
        ::close(used);
        EXPECT_FIELDS_EQ(std::tuple(result.completeness.isComplete(), result.apps.size(),
                                    findApp(result.apps, F::UserApp)->lastAccessedDate()),
                         std::tuple(true, 6, lastUse));
        EXPECT_EQ(QDir(copies).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList { u"kudora-activity-used"_s });
    }
    // However it is made, reading ends within its budget, here a small one.
    EXPECT_FALSE(UsageRecords::readActivityDatabase(kdePath(), 1000));
}

TEST(FlatpakRecords, DesktopEntryNameFollowsTheLocaleAndShellStateIsReadAsTheShellWritesIt)
{
    const QByteArray entry =
        "# Name=Comment\n[Desktop Action new]\nName=Action\n[Desktop Entry]\nType=Application\n"
        "Name=Plain\\sName\nName[pt_BR]=Brasileiro\nName[pt]=Portugues\n"
        "[Other Group]\nName[fr]=Autre\n";
    const QList<std::pair<QLocale, QString>> names {
        { QLocale(QLocale::Portuguese, QLocale::Brazil), u"Brasileiro"_s },
        { QLocale(QLocale::Portuguese, QLocale::Portugal), u"Portugues"_s },
        { QLocale(QLocale::French, QLocale::France), u"Plain Name"_s },
    };
    for (const auto& [locale, name] : names)
        EXPECT_EQ(FlatpakSource::desktopEntryName(entry, locale), name) << qPrintable(locale.name());
    EXPECT_TRUE(FlatpakSource::desktopEntryName("[Desktop Action x]\nName=Action\n", QLocale()).isEmpty());

    // clang-format off
    const QList<std::pair<QByteArray, std::optional<UsageRecords::LastUse>>> states {
        // Of two contexts the newest; no dates at or before the epoch, nor beyond any calendar.
        { R"(<application-state><context id=""><application id="a.b.desktop" last-seen="100"/></context>)"
          R"(<context id="work"><application id="a.b.desktop" last-seen="300"/>)"
          R"(<application id="c.d.desktop" last-seen="0"/><application id="e.f.desktop" last-seen="-5"/>)"
          R"(<application id="g.h.desktop" last-seen="99999999999999"/></context></application-state>)",
          UsageRecords::LastUse { { u"a.b"_s, at(300) } } },
        { "<application-state/>", UsageRecords::LastUse {} },
        { "<application-states/>", std::nullopt },
        { "<application-state><context>", std::nullopt },
        { "", std::nullopt },
    };
    // clang-format on
    for (const auto& [document, expected] : states)
        EXPECT_EQ(UsageRecords::parseGnomeShellState(document), expected) << document.toStdString();
}

TEST(AppSources, MergeKeepsTheFirstStoresRecordOfAnIdAndAnyIncompleteness)
{
    const auto app = [](const char* id, const char* name) {
        return AppInfo::flatpakApp(AppId(QString::fromLatin1(id)), QString::fromLatin1(name), u"/d"_s, {}, {},
                                   {}, {});
    };
    const auto scanned = [](QList<AppInfo> apps, bool complete) {
        AppSource::Result result { std::move(apps), {}, {} };
        if (!complete)
            result.completeness.note(ReadOutcome::Failed);
        return result;
    };
    using Store = AppInfo::Store;
    // The incomplete ones are named by their stores, in order; a source of no one store is not.
    for (const auto& [first, second, third, named] : QList<std::tuple<bool, bool, bool, QList<Store>>> {
             { true, true, true, {} },
             { true, false, false, { Store::Snap } },
             { false, true, true, { Store::Flatpak } },
             { false, false, true, { Store::Flatpak, Store::Snap } } }) {
        const AppSource::Result result = AppSource::scanAll(
            { std::make_shared<const FixedSource>(scanned({ app("x.Shared", "First") }, first),
                                                  Store::Flatpak),
              std::make_shared<const FixedSource>(
                  scanned({ app("x.Shared", "Second"), app("x.Other", "Other") }, second), Store::Snap),
              std::make_shared<const FixedSource>(scanned({}, third)) },
            {});
        ASSERT_EQ(result.apps.size(), 2);
        EXPECT_EQ(std::tuple(result.completeness.isComplete(), result.incompleteStores,
                             result.apps.at(0).name(), result.apps.at(1).id()),
                  std::tuple(first && second && third, named, u"First"_s, AppId(u"x.Other"_s)));
    }

    // A distribution package gives way to a snap that names its id, wherever it comes in the merge,
    // and its stored choices are kept; a Flatpak of that id does not.
    const auto distro = [](const char* id) {
        return AppInfo::distributionApp(AppId(QString::fromLatin1(id)), u"Package"_s, u"/e"_s, {}, {}, {});
    };
    const AppSource::Result result = AppSource::scanAll(
        { std::make_shared<const FixedSource>(scanned({ app("org.example.Both", "Flatpak") }, true)),
          std::make_shared<const FixedSource>(
              scanned({ AppInfo::snapApp(u"notes"_s, u"Notes"_s, u"/s"_s, {}, {}, {}, {}, u"id"_s,
                                         { u"org.example.Notes"_s, u"org.example.Both"_s }) },
                      true)),
          std::make_shared<const FixedSource>(
              scanned({ distro("org.example.Notes"), distro("org.example.Both"), distro("org.example.Own") },
                      true)) },
        {});
    EXPECT_EQ(std::pair(idsOf(result.apps), result.unlistedIDs),
              std::pair(QStringList { u"org.example.Both"_s, u"snap:notes"_s, u"org.example.Own"_s },
                        QSet<AppId> { AppId(u"org.example.Notes"_s) }));
}

TEST(FlatpakDesktop, OpensSoftwareCentrePagesOnlyWhereAHandlerIsRegistered)
{
    const QUrl flatpak(u"appstream:org.kudora.test.UserApp"_s), snap(u"snap://firefox"_s);
    // The machine's own associations never count.
    const QList<QByteArray> saved { qgetenv("XDG_CONFIG_HOME"), qgetenv("XDG_CONFIG_DIRS"),
                                    qgetenv("XDG_DATA_DIRS") };
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_CONFIG_HOME", saved[0]);
        qputenv("XDG_CONFIG_DIRS", saved[1]);
        qputenv("XDG_DATA_DIRS", saved[2]);
    });
    // clang-format off
    const QList<std::tuple<QString, QByteArray, QList<QUrl>>> cases {
        { {}, {}, {} },
        { u"home/mimeapps.list"_s, "[Default Applications]\nx-scheme-handler/appstream=org.gnome.Software.desktop\n", { flatpak } },
        { u"share/applications/mimeinfo.cache"_s, "[MIME Cache]\nx-scheme-handler/appstream=org.kde.discover.urlhandler.desktop;\n", { flatpak } },
        { u"share/applications/mimeinfo.cache"_s, "[MIME Cache]\nx-scheme-handler/snap=snap-handle-link.desktop;\n", { snap } },
        { u"etc-xdg/mimeapps.list"_s, "[Removed Associations]\nx-scheme-handler/appstream=org.gnome.Software.desktop\n", {} },
        { u"etc-xdg/mimeapps.list"_s, "[Default Applications]\nx-scheme-handler/apt=x.desktop\n", {} },
    };
    // clang-format on
    for (const auto& [file, content, opens] : cases) {
        SCOPED_TRACE(content.toStdString());
        FixtureTree tree;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(tree.makeFolder(u"home"_s)));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(tree.makeFolder(u"etc-xdg"_s)));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(tree.makeFolder(u"share"_s)));
        if (!file.isEmpty())
            tree.writeFile(file, content);
        OpenerDouble opener;
        DesktopWorkspace workspace;
        QList<QUrl> opened;
        for (const QUrl& page : { flatpak, snap })
            if (OpenerDouble::answer(workspace, page) == true)
                opened.append(page);
        // Only these schemes join the web pages.
        EXPECT_EQ(OpenerDouble::answer(workspace, QUrl(u"apt:org.kudora.test.UserApp"_s)), false);
        EXPECT_EQ(std::pair(opened, opener.opened()), std::pair(opens, opens));
    }
}

using Framing = SnapdDouble::Framing;

QJsonObject snap(const QString& name, const QString& title, const QStringList& desktopFiles,
                 const QJsonObject& changes = {})
{
    return SnapdDouble::storeSnap(name, title, desktopFiles, at(1690000000), changes);
}

} // namespace

// Desktop entries as snapd writes them, and the uses recorded under their names (the records
// themselves are the Flatpak tests').
TEST(SnapSource, ListsStoreApplicationsWithTheirNamesDatesIconsAndLastUse)
{
    FixtureTree tree;
    const auto entry = [&](const QString& file, const QByteArray& lines) {
        return tree.writeFile(u"applications/"_s + file, "[Desktop Entry]\n" + lines + '\n');
    };
    QImage red(48, 48, QImage::Format_ARGB32);
    red.fill(Qt::red);
    const QString icon = tree.pathOf(u"firefox.png"_s);
    ASSERT_TRUE(red.save(icon));
    const QString firefox =
        entry(u"firefox_firefox.desktop"_s, "Name=Firefox Web Browser\nIcon=" + icon.toUtf8());
    // Since snapd 2.66 a snap may keep its own desktop file name.
    const QString multiOne = entry(u"multi_one.desktop"_s, "Name=One");
    const QString multiTwo = entry(u"org.example.Multi.desktop"_s, "Name=Two");
    const QString untitled =
        entry(u"untitled_untitled.desktop"_s, "Name=Plain\nName[en_US]=American\nIcon=untitled");
    const QString nameless =
        entry(u"nameless_nameless.desktop"_s, "Icon=" + icon.chopped(4).toUtf8() + "-gone.png");
    tree.writeFile(u"data/gnome-shell/application_state"_s, R"(<application-state><context id="">
        <application id="firefox_firefox.desktop" last-seen="1700000000"/>
        <application id="multi_one.desktop" last-seen="1700001000"/>
        <application id="org.example.Multi.desktop" last-seen="1700002000"/>
        <application id="untitled_untitled.desktop" last-seen="1700003000"/></context></application-state>)");
    SnapdDouble snapd;
    snapd.setReply({ SnapdDouble::syncBody({
        snap(u"firefox"_s, u"Firefox"_s, { firefox }),
        snap(u"multi"_s, u"Multi"_s, { multiOne, multiTwo }),
        snap(u"untitled"_s, {}, { untitled },
             { { u"install-date"_s, u"2023-05-05T14:34:56.123456789+02:00"_s } }),
        snap(u"nameless"_s, u" "_s, { nameless },
             { { u"revision"_s, 7 }, { u"store-url"_s, u"http://x.org/n"_s } }),
        // Installed from a file, not a program, no desktop entry, no store id: none is a store application.
        snap(u"local"_s, u"Local"_s, { firefox }, { { u"revision"_s, u"x1"_s } }),
        snap(u"core22"_s, u"Core 22"_s, { firefox }, { { u"type"_s, u"base"_s } }),
        snap(u"cli-only"_s, u"Tool"_s, {}),
        snap(u"sideloaded"_s, u"Sideloaded"_s, { firefox }, { { u"id"_s, u""_s } }),
    }) });

    const AppSource::Result result = SnapSource(snapd.socketPath(), tree.pathOf(u"data"_s))
                                         .scan({ { AppId(u"snap:multi"_s), at(1600000000) } });
    // Id, name, desktop entry, install date, last use, icon from the entry, web page.
    // clang-format off
    const QList<std::tuple<QString, QString, QString, QDateTime, OptionalDate, bool, QString>> cases {
        { u"firefox"_s, u"Firefox"_s, firefox, at(1690000000), at(1700000000), true, u"https://snapcraft.io/firefox"_s },
        // The newest use of any of its applications.
        { u"multi"_s, u"Multi"_s, multiOne, at(1690000000), at(1700002000), false, u"https://snapcraft.io/multi"_s },
        { u"untitled"_s, u"American"_s, untitled, QDateTime(QDate(2023, 5, 5), QTime(12, 34, 56, 123), Qt::UTC), at(1700003000), false, u"https://snapcraft.io/untitled"_s },
        // The web page is only ever an https one.
        { u"nameless"_s, u"nameless"_s, nameless, at(1690000000), std::nullopt, false, {} },
    };
    // clang-format on
    EXPECT_FIELDS_EQ(std::tuple(result.completeness.isComplete(), result.apps.size()),
                     std::tuple(true, cases.size()));
    DesktopWorkspace workspace;
    for (const auto& [name, title, desktopFile, installed, lastUse, redIcon, webPage] : cases) {
        SCOPED_TRACE(qPrintable(name));
        const AppInfo* app = findApp(result.apps, u"snap:"_s + name);
        ASSERT_NE(app, nullptr);
        EXPECT_FIELDS_EQ(
            std::tuple(app->name(), app->bundlePath(), app->modificationDate(), app->lastAccessedDate(),
                       app->reviewURL(), app->reviewFallbackURL().value_or(QUrl()), app->lastReviewedDate()),
            std::tuple(title, desktopFile, OptionalDate(installed), lastUse, QUrl(u"snap://"_s + name),
                       QUrl(webPage), name == u"multi" ? OptionalDate(at(1600000000)) : std::nullopt));
        const QIcon shown = workspace.iconForFile(app->bundlePath());
        EXPECT_EQ(
            std::tuple(shown.isNull(), shown.pixmap(16, 16).toImage().pixelColor(8, 8) == QColor(Qt::red)),
            std::tuple(false, redIcon));
    }
}

// Whatever keeps snapd from answering in full may hide snaps that are still installed: the user's
// review dates and ignores for them stay. Only a snapd that is not there has no snaps.
TEST(SnapSource, OnlyAFullAnswerOrNoSnapdPrunesTheHistoryOfSnaps)
{
    const QJsonObject other = snap(u"other"_s, u"Other"_s, { u"/nowhere/other_other.desktop"_s });
    const QByteArray others = SnapdDouble::syncBody({ other });
    const QByteArray error404 =
        R"({"type":"error","status-code":404,"status":"Not Found","result":{"kind":"snap-not-found"}})";
    // clang-format off
    const QList<std::tuple<const char*, std::function<void(SnapdDouble&)>, QString, bool>> cases {
        { "Content-Length", [&](SnapdDouble& d) { d.setReply({ others, "200 OK", Framing::ContentLength }); }, u"snap:other"_s, false },
        { "close-delimited", [&](SnapdDouble& d) { d.setReply({ others, "200 OK", Framing::CloseDelimited }); }, u"snap:other"_s, false },
        { "no socket", [&](SnapdDouble& d) { d.refuse(); QFile::remove(d.socketPath()); }, {}, false },
        // An answer to an HTTP/1.1 request, which was not asked.
        { "chunked", [&](SnapdDouble& d) { d.setReply({ others, "200 OK", Framing::Chunked }); }, {}, true },
        { "error 404", [&](SnapdDouble& d) { d.setReply({ error404, "404 Not Found" }); }, {}, true },
        { "error 400", [&](SnapdDouble& d) { d.setReply({ R"({"type":"error","status-code":400,"status":"Bad Request","result":{"message":"bad query"}})", "400 Bad Request" }); }, {}, true },
        { "error as 200", [&](SnapdDouble& d) { d.setReply({ error404 }); }, {}, true },
        { "malformed", [&](SnapdDouble& d) { d.setReply({ others.chopped(1) + ',' }); }, {}, true },
        { "no list", [&](SnapdDouble& d) { d.setReply({ R"({"type":"sync","status-code":200,"result":{}})" }); }, {}, true },
        { "not a snap", [&](SnapdDouble& d) { d.setReply({ SnapdDouble::syncBody({ other, 5 }) }); }, u"snap:other"_s, true },
        // Short of its length, though what came is a whole document.
        { "cut short", [&](SnapdDouble& d) { d.setReply({ others + "\n\n", "200 OK", Framing::ContentLength, others.size() }); }, {}, true },
        { "cut short, no length", [&](SnapdDouble& d) { d.setReply({ others, "200 OK", Framing::CloseDelimited, 60 }); }, {}, true },
        { "over the limit", [&](SnapdDouble& d) { d.setReply({ others + QByteArray(SnapdClient::ReplyLimit, ' '), "200 OK", Framing::CloseDelimited }); }, {}, true },
        { "hang", [&](SnapdDouble& d) { d.setReply({ others, "200 OK", Framing::ContentLength, -1, true }); }, {}, true },
        { "refused", [&](SnapdDouble& d) { d.refuse(); }, {}, true },
        { "dangling link", [&](SnapdDouble& d) { d.refuse(); QFile::remove(d.socketPath()); QFile::link(u"gone"_s, d.socketPath()); }, {}, true },
    };
    // clang-format on
    for (const auto& [what, setUp, listed, kept] : cases) {
        SCOPED_TRACE(what);
        SnapdDouble snapd;
        setUp(snapd);
        PreferencesService preferences(std::make_shared<MemoryDefaultsDomain>());
        preferences.addIgnoredID(AppId(u"snap:firefox"_s));
        preferences.recordReviewDate(AppId(u"snap:firefox"_s));
        // An empty catalogue never prunes; an App Store application keeps it from being one.
        AppModel model(preferences,
                       { std::make_shared<const FixedSource>(AppSource::Result {
                             { AppInfo(AppId(u"pastel"_s), u"Pastel"_s, u"/Applications/Pastel.app"_s, u"1"_s,
                                       {}, {}, {}) },
                             {},
                             {} }),
                         std::make_shared<const SnapSource>(snapd.socketPath(), u"/nowhere"_s,
                                                            std::string_view(what) == "hang" ? 300ms : 5s) });
        QSignalSpy finished(&model, &AppModel::rescanFinished);
        ASSERT_TRUE(finished.wait(20000));
        EXPECT_FIELDS_EQ(std::tuple(idsOf(model.apps()).mid(1).join(u' '),
                                    preferences.loadIgnoredIDs().contains(AppId(u"snap:firefox"_s)),
                                    preferences.reviewDate(AppId(u"snap:firefox"_s)).has_value()),
                         std::tuple(listed, kept, kept));
    }
}

TEST(SnapRecord, TheReviewAddressNamesTheSnapAsTheStoreKnowsIt)
{
    const auto address = [](const QString& name) {
        return AppInfo::snapApp(name, {}, {}, {}, {}, {}, {}).reviewURL().value_or(QUrl());
    };
    // A parallel install's instance key is the machine's own.
    EXPECT_EQ(std::pair(address(u"firefox_beta2"_s), address(u"0ad"_s)),
              std::pair(QUrl(u"snap://firefox"_s), QUrl(u"snap://0ad"_s)));
    for (const QString& name : { u"Firefox"_s, u"-ab"_s, u"ab_"_s, u"ab_CD"_s, u"a/b"_s })
        EXPECT_TRUE(address(name).isEmpty()) << qPrintable(name);
}

namespace {

// A prefix as a distribution's packages fill it: metainfo, desktop entries and the hicolor theme.
class DistroTree : public FixtureTree
{
public:
    QString share() const { return pathOf(u"share"_s); }

    // A metainfo file of one component; launchable is its desktop id ("" for none).
    void component(const QString& id, const QByteArray& kind, const QByteArray& names,
                   const QString& launchable = {}, const QString& folder = u"metainfo"_s)
    {
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<component type=\"" + kind
            + "\">\n  <id>" + id.toUtf8() + "</id>\n" + names
            + "\n  <metadata_license>CC0-1.0</metadata_license>\n";
        if (!launchable.isEmpty())
            xml += "  <launchable type=\"desktop-id\">" + launchable.toUtf8() + "</launchable>\n";
        writeFile(u"share/%1/%2.metainfo.xml"_s.arg(folder, id), xml + "</component>\n");
    }
    QString entry(const QString& desktopID, const QByteArray& lines)
    {
        return writeFile(u"share/applications/"_s + desktopID,
                         "[Desktop Entry]\nType=Application\nExec=true\n" + lines + '\n');
    }
    // A desktop application as most packages install it.
    QString app(const QString& id, const QByteArray& name, const QByteArray& entryLines = {})
    {
        component(id, "desktop-application", "  <name>" + name + "</name>", id + u".desktop"_s);
        return entry(id + u".desktop"_s, "Name=Entry " + name + '\n' + entryLines);
    }
    AppSource::Result scan(const QString& library = u"libappstream.so.4"_s) const
    {
        return DistroSource({ share() }, pathOf(u"data"_s), library).scan({});
    }
};

// Every file under folder, with its size and time of change.
QStringList filesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        files.append(
            u"%1 %2 %3"_s.arg(info.filePath()).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch()));
    }
    files.sort();
    return files;
}

} // namespace

// What the software centres list as installed, and nothing else, read without writing anything.
TEST(DistroSource, ListsTheShownDesktopApplicationsWithTheirNamesDatesIconsAndLastUse)
{
    // The prefix is found as the system's data folders are, where the icon theme is looked up too.
    DistroTree tree;
    const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", QFile::encodeName(tree.share()) + ':' + dataDirs);
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_DATA_DIRS", dataDirs);
        qunsetenv("XDG_CURRENT_DESKTOP");
    });
    QImage green(48, 48, QImage::Format_ARGB32);
    green.fill(Qt::green);
    ASSERT_TRUE(green.save(tree.makeFolder(u"share/icons/hicolor/48x48/apps"_s) + u"/plain-icon.png"_s));
    const QString plain = tree.app(u"org.kudora.distro.Plain"_s, "Plain", "Icon=plain-icon");
    tree.component(
        u"org.kudora.distro.Localised"_s, "desktop-application",
        "<name>Plain</name><name xml:lang=\"en_US\">American</name><name xml:lang=\"de\">Deutsch</name>",
        u"localised.desktop"_s);
    const QString localised = tree.entry(u"localised.desktop"_s, "Name=Entry");
    // The user's language without the country: en_US falls back to en.
    const QString english = tree.app(u"org.kudora.distro.English"_s,
                                     "Plain</name><name xml:lang=\"de\">Deutsch</name>"
                                     "<name xml:lang=\"en\">English");
    // Without an AppStream name, the desktop entry's in the user's language; metainfo older than
    // the launchable tag is started by the entry its id names, from the older appdata folder.
    tree.component(u"org.kudora.distro.Old"_s, "desktop", {}, {}, u"appdata"_s);
    const QString old = tree.entry(u"org.kudora.distro.Old.desktop"_s, "Name=Old\nName[en]=Old English");
    const QString both = tree.app(u"org.kudora.distro.Both"_s, "Both", "OnlyShowIn=KDE;GNOME;");
    // Not shown here, not applications, without a desktop entry, Kudora itself.
    tree.app(u"org.kudora.distro.NoDisplay"_s, "NoDisplay", "NoDisplay=true");
    tree.app(u"org.kudora.distro.Hidden"_s, "Hidden", "Hidden=true");
    tree.app(u"org.kudora.distro.KDEOnly"_s, "KDE only", "OnlyShowIn=KDE;");
    tree.app(u"org.kudora.distro.NotGNOME"_s, "Not GNOME", "NotShowIn=GNOME;");
    for (const QByteArray kind : { "runtime", "addon", "font", "console-application" }) {
        const QString id = u"org.kudora.distro."_s + QString::fromLatin1(kind);
        tree.component(id, kind, "<name>" + kind + "</name>", id + u".desktop"_s);
        tree.entry(id + u".desktop"_s, "Name=" + kind);
    }
    tree.component(u"org.kudora.distro.NoEntry"_s, "desktop-application", "<name>No entry</name>",
                   u"org.kudora.distro.NoEntry.desktop"_s);
    tree.app(DistroSource::OwnID.toString(), "Kudora");
    tree.writeFile(u"data/gnome-shell/application_state"_s,
                   gnomeState({ { "org.kudora.distro.Plain.desktop", 1700000000 },
                                { "localised.desktop", 1700001000 } }));
    // KDE Plasma records a use under the desktop entry too, with or without its suffix.
    const QByteArray database =
        QFile::encodeName(tree.makeFolder(u"data/kactivitymanagerd/resources"_s) + u"/database"_s);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db,
                           "CREATE TABLE ResourceScoreCache (targettedResource TEXT, lastUpdate INTEGER);"
                           "INSERT INTO ResourceScoreCache VALUES"
                           " ('applications:org.kudora.distro.Both.desktop', 1700002000),"
                           " ('applications:org.kudora.distro.Old', 1700003000);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const QStringList before = filesUnder(tree.path()) + filesUnder(TestEnvironment::cachePath());

    const AppSource::Result result = DistroSource({}, tree.pathOf(u"data"_s)).scan({});
    // Id, name, desktop entry, last use, green icon.
    // clang-format off
    const QList<std::tuple<QString, QString, QString, OptionalDate, bool>> cases {
        { u"org.kudora.distro.Plain"_s, u"Plain"_s, plain, at(1700000000), true },
        { u"org.kudora.distro.Localised"_s, u"American"_s, localised, at(1700001000), false },
        { u"org.kudora.distro.English"_s, u"English"_s, english, std::nullopt, false },
        { u"org.kudora.distro.Old"_s, u"Old English"_s, old, at(1700003000), false },
        { u"org.kudora.distro.Both"_s, u"Both"_s, both, at(1700002000), false },
    };
    // clang-format on
    EXPECT_FIELDS_EQ(std::tuple(result.completeness.isComplete(), idsOf(result.apps).size()),
                     std::tuple(true, cases.size()))
        << qPrintable(idsOf(result.apps).join(u' '));
    DesktopWorkspace workspace;
    for (const auto& [id, name, entry, lastUse, greenIcon] : cases) {
        SCOPED_TRACE(qPrintable(id));
        const AppInfo* app = findApp(result.apps, id);
        ASSERT_NE(app, nullptr);
        // Installed when the package manager wrote the entry, whatever modification time it kept.
        EXPECT_FIELDS_EQ(std::tuple(app->store(), app->name(), app->bundlePath(), app->lastAccessedDate(),
                                    app->modificationDate(), app->reviewURL(), app->reviewFallbackURL()),
                         std::tuple(AppInfo::Store::Distribution, name, entry, lastUse,
                                    OptionalDate(QFileInfo(entry).metadataChangeTime().toUTC()),
                                    std::optional(QUrl(u"appstream:"_s + id)), std::optional<QUrl>()));
        const QIcon icon = workspace.iconForFile(app->bundlePath());
        EXPECT_EQ(
            std::tuple(icon.isNull(), icon.pixmap(16, 16).toImage().pixelColor(8, 8) == QColor(Qt::green)),
            std::tuple(false, greenIcon));
    }
    // A scan only reads: no cache, no copy, in the prefix or the user's cache.
    EXPECT_EQ(filesUnder(tree.path()) + filesUnder(TestEnvironment::cachePath()), before);
}

// Only what is not there is absent: metainfo that cannot be parsed, or no libappstream to parse
// it, may hide an installed application. The same id from Flatpak is listed once, from there.
TEST(DistroSource, WhatCannotBeParsedLeavesItIncompleteAndAFlatpakOfTheSameIdWins)
{
    ASSERT_TRUE(F::shared().error().isEmpty()) << qPrintable(F::shared().error());
    DistroTree tree;
    EXPECT_FIELDS_EQ(std::tuple(tree.scan().completeness.isComplete(),
                                tree.scan(u"libkudora-no-such-appstream.so.4"_s).completeness.isComplete()),
                     std::tuple(true, true));
    tree.app(QString::fromLatin1(F::UserApp), "Packaged");
    tree.app(u"org.kudora.distro.Plain"_s, "Plain");
    EXPECT_FIELDS_EQ(std::tuple(tree.scan().completeness.isComplete(),
                                tree.scan(u"libkudora-no-such-appstream.so.4"_s).completeness.isComplete()),
                     std::tuple(true, false));
    const AppSource::Result merged = AppSource::scanAll(
        { std::make_shared<const FlatpakSource>(tree.pathOf(u"data"_s)),
          std::make_shared<const DistroSource>(QStringList { tree.share() }, tree.pathOf(u"data"_s)) },
        {});
    const AppInfo* flatpak = findApp(merged.apps, F::UserApp);
    ASSERT_NE(flatpak, nullptr);
    EXPECT_FIELDS_EQ(
        std::tuple(flatpak->store(), flatpak->name(), idsOf(merged.apps).count(flatpak->id().text())),
        std::tuple(AppInfo::Store::Flatpak, u"User App"_s, 1));

    for (const QByteArray& garbage : { QByteArray("not xml at all"), QByteArray("<component><id>x"),
                                       QByteArray("<?xml version=\"1.0\"?><nothing/>") }) {
        SCOPED_TRACE(garbage.constData());
        tree.writeFile(u"share/metainfo/garbage.metainfo.xml"_s, garbage);
        const AppSource::Result result = tree.scan();
        EXPECT_FIELDS_EQ(std::tuple(result.completeness.isComplete(), idsOf(result.apps).size()),
                         std::tuple(false, 2));
    }
}

// Flatpak's and snapd's exports are their sources' business.
TEST(DistroSource, TheSystemDataFoldersAreXdgDataDirsWithoutTheExports)
{
    const QByteArray saved = qgetenv("XDG_DATA_DIRS");
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_DIRS", saved); });
    qputenv("XDG_DATA_DIRS",
            "/home/u/.local/share/flatpak/exports/share:/var/lib/flatpak/exports/share/:"
            "/usr/share/gnome:/usr/local/share/:relative:/usr/share:/var/lib/snapd/desktop:/usr/share");
    EXPECT_EQ(DistroSource::systemDataDirs(),
              QStringList({ u"/usr/share/gnome"_s, u"/usr/local/share"_s, u"/usr/share"_s }));
    qputenv("XDG_DATA_DIRS", "");
    EXPECT_EQ(DistroSource::systemDataDirs(), QStringList({ u"/usr/local/share"_s, u"/usr/share"_s }));
}

// An install writes its files in a burst, a removal takes them away: each is one refresh, once the
// folders it changed have settled, wherever the sources keep them, in folders that only come later
// or come back too; what changes beside a folder that is not there yet is no install.
TEST(InstallWatching, EachInstallOrRemovalInTheSourcesFoldersAsksForOneRefreshOnceItHasSettled)
{
    FixtureTree tree;
    const QString snapd = tree.makeFolder(u"snapd/desktop/applications"_s);
    const QString share = tree.pathOf(u"share"_s);
    QStringList folders;
    for (const auto& source : AppSources { std::make_shared<const FlatpakSource>(),
                                           std::make_shared<const SnapSource>(
                                               u"/nowhere"_s, QString(), SnapSource::DefaultTimeLimit, snapd),
                                           std::make_shared<const DistroSource>(QStringList { share }),
                                           std::make_shared<const AppScanner>(u"/nowhere"_s, u"/home/u"_s) })
        folders.append(source->watchedFolders());
    const QString exports = u"/exports/share/applications"_s;
    EXPECT_EQ(folders,
              (QStringList { F::userDir() + exports, F::systemDir() + exports, snapd,
                             share + u"/applications"_s, share + u"/metainfo"_s, share + u"/appdata"_s,
                             u"/nowhere"_s, u"/home/u/Applications"_s }));

    constexpr auto settleTime = 150ms;
    FolderWatcher watcher(folders, settleTime);
    QSignalSpy settled(&watcher, &FolderWatcher::settled);
    const QString firefox = snapd + u"/firefox_firefox.desktop"_s;
    const QByteArray entry = "[Desktop Entry]\nType=Application\nName=App\nExec=app\n";
    // What happens, and whether it asks for a refresh.
    const QList<std::tuple<const char*, std::function<void()>, bool>> steps {
        { "a snap installed", [&] { FixtureTree::write(firefox, entry); }, true },
        { "and removed", [&] { QFile::remove(firefox); }, true },
        { "the first package with metainfo",
          [&] {
              tree.writeFile(u"share/applications/org.example.Editor.desktop"_s, entry);
              tree.writeFile(u"share/metainfo/org.example.Editor.metainfo.xml"_s, "<component/>");
          },
          true },
        { "another package and a snap at once",
          [&] {
              tree.writeFile(u"share/applications/org.example.Viewer.desktop"_s, entry);
              FixtureTree::write(firefox, entry);
          },
          true },
        { "an icon beside appdata, which is not there", [&] { tree.writeFile(u"share/icons/a.png"_s, "x"); },
          false },
        { "snapd's folder removed with its entry", [&] { QDir(snapd).removeRecursively(); }, true },
        { "and made again", [&] { QDir().mkpath(snapd); }, true },
        { "a snap installed in it", [&] { FixtureTree::write(firefox, entry); }, true },
    };
    for (const auto& [what, change, refreshes] : steps) {
        SCOPED_TRACE(what);
        const qsizetype before = settled.count();
        change();
        if (refreshes) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return settled.count() > before; }, 20000));
        }
        QTest::qWait(int(3 * settleTime.count()));
        EXPECT_EQ(settled.count(), before + (refreshes ? 1 : 0));
    }
}

namespace {

const QDateTime UsedDate(QDate(2026, 4, 20), QTime(9, 15), Qt::UTC);
const QDateTime ChangedDate(QDate(2025, 11, 2), QTime(17, 0), Qt::UTC);
const QDateTime ReviewedDate(QDate(2026, 1, 7), QTime(12, 0), Qt::UTC);
const QString AdamIDKey = AppScanner::appStoreAdamIDAttribute();
const QString NameKey = kMDItemDisplayName.toString();
const QString UsedKey = kMDItemLastUsedDate.toString();
const QString ChangedKey = kMDItemFSContentChangeDate.toString();

// The ".app" entries of folder in the order the file system lists them.
const auto listedApps = [](const QString& folder) {
    return FileSystem::listDirectory(folder).value_or(QStringList()).filter(QRegularExpression(u"\\.app$"_s));
};

class ScannerTest : public ::testing::Test
{
protected:
    AppScanner scanner() const { return AppScanner(m_system, m_home, m_metadata); }
    QList<AppInfo> scan(const ReviewDateMap& dates = {}) const
    {
        return scanner().scanInstalledApps(dates).apps;
    }
    // In the system folder, with an App Store id in Contents/iTunesMetadata.plist only.
    QString addApp(const QString& entry, const std::optional<QString>& bundleID, qlonglong itemId = 1)
    {
        return m_tree.makeBundle(u"Applications/"_s + entry, bundleID, itemId);
    }
    // relative/Wrapper/<inner>/Info.plist with the identifier, and itemId's file.
    void addWrapped(const QString& relative, const QString& inner, const std::optional<QString>& bundleID,
                    const QByteArray& itemIdFile)
    {
        m_tree.writePlist(relative + u"/Wrapper/"_s + inner + u"/Info.plist"_s,
                          bundleID ? QVariantMap { { u"CFBundleIdentifier"_s, *bundleID } } : QVariantMap());
        m_tree.writeFile(relative + u"/Wrapper/iTunesMetadata.plist"_s, itemIdFile);
    }

    FixtureTree m_tree;
    QString m_system = m_tree.makeFolder(u"Applications"_s);
    QString m_home = m_tree.makeFolder(u"home"_s);
    std::shared_ptr<FakeMetadata> m_metadata = std::make_shared<FakeMetadata>();
};

TEST_F(ScannerTest, RecordsTakeEachFieldFromItsSource)
{
    // The bundle's entry, its metadata, and the record's "name store-id" (empty: not listed). Every
    // bundle's property lists say 999.
    // clang-format off
    const QList<std::tuple<QString, QVariantMap, QString>> cases {
        { u"Pastel.app"_s, { { AdamIDKey, qlonglong(413897608) }, { NameKey, u"Pastel Colours"_s },
                             { UsedKey, UsedDate }, { ChangedKey, ChangedDate } }, u"Pastel Colours 413897608"_s },
        // Never launched (the last use is no date): the modification date still comes through.
        { u"Fresh.app"_s, { { AdamIDKey, u"77"_s }, { UsedKey, u"yesterday"_s }, { ChangedKey, ChangedDate } }, u"Fresh 77"_s },
        { u"Blank.app"_s, { { NameKey, QString() } }, u" 999"_s },
        { u"Numbered.app"_s, { { NameKey, 12 } }, u"Numbered 999"_s },
        { u"A.app.B.app"_s, {}, u"A.B 999"_s },
        // The metadata's id wins and is not retried from the property lists.
        { u"Plus.app"_s, { { AdamIDKey, u"+42"_s } }, u"Plus +42"_s },
        { u"Letter.app"_s, { { AdamIDKey, u"12a"_s } }, {} },
        { u"Zero.app"_s, { { AdamIDKey, u"0"_s } }, {} },
        { u"Minus.app"_s, { { AdamIDKey, u"-5"_s } }, {} },
        { u"Empty.app"_s, { { AdamIDKey, QString() } }, {} },
        { u"Huge.app"_s, { { AdamIDKey, u"9223372036854775808"_s } }, {} },
        { u"ZeroNumber.app"_s, { { AdamIDKey, qlonglong(0) } }, {} },
        { u"Real.app"_s, { { AdamIDKey, 77.0 } }, u"Real 77"_s },
        { u"Fraction.app"_s, { { AdamIDKey, 12.5 } }, {} },
        // Neither number nor text: the property lists are asked instead.
        { u"Flag.app"_s, { { AdamIDKey, true } }, u"Flag 999"_s },
    };
    // clang-format on
    for (int i = 0; i < cases.size(); ++i)
        m_metadata->set(addApp(std::get<0>(cases[i]), u"test.%1"_s.arg(i), 999), std::get<1>(cases[i]));

    const QList<AppInfo> apps =
        scan({ { AppId(u"test.0"_s), ReviewedDate }, { AppId(u"test.gone"_s), UsedDate } });
    for (int i = 0; i < cases.size(); ++i) {
        const auto& [entry, metadata, expected] = cases[i];
        const AppInfo* app = findApp(apps, u"test.%1"_s.arg(i));
        EXPECT_EQ((app ? app->name() + u' ' + app->adamID() : QString()).toStdString(),
                  expected.toStdString());
        if (app) {
            EXPECT_EQ(app->bundlePath(), m_system + u'/' + entry);
            EXPECT_EQ(app->lastReviewedDate(), i == 0 ? OptionalDate(ReviewedDate) : std::nullopt);
        }
    }
    EXPECT_FIELDS_EQ(std::tuple(findApp(apps, u"test.0"_s)->lastAccessedDate(),
                                findApp(apps, u"test.1"_s)->lastAccessedDate()),
                     std::tuple(OptionalDate(UsedDate), OptionalDate()));
    EXPECT_EQ(findApp(apps, u"test.1"_s)->modificationDate(), ChangedDate);
}

TEST_F(ScannerTest, PropertyListIdMustBeAnExactInteger)
{
    // The wrapper's file holds the case's itemId; Contents holds 654, asked only when the wrapper's
    // value does not count.
    const auto xml = [](const char* itemId) -> QByteArray {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>itemId</key>"
            + QByteArray(itemId) + "</dict></plist>";
    };
    const QList<std::pair<QByteArray, std::optional<QString>>> cases {
        { xml("<integer>321</integer>"), u"321"_s },
        { xml("<string>123</string>"), u"654"_s },
        { xml("<real>123</real>"), u"123"_s },
        { PropertyList::serialize(QVariantMap { { u"itemId"_s, 77.0 } }, PropertyList::Format::Binary),
          u"77"_s },
        { xml("<real>12.5</real>"), u"654"_s },
        { xml("<true/>"), u"654"_s },
        { "itemId = 7;", u"654"_s },
        // Too large to read counts as missing.
        { PropertyList::serialize(
              QVariantMap { { u"itemId"_s, 999 }, { u"padding"_s, QByteArray(9 << 20, 'x') } },
              PropertyList::Format::Binary),
          u"654"_s },
        // A whole number beyond the store's range is still the file's answer, and it fails.
        { xml("<integer>9223372036854775809</integer>"), std::nullopt },
        { xml("<real>1e30</real>"), std::nullopt },
    };
    for (int i = 0; i < cases.size(); ++i) {
        const QString entry = u"Applications/App%1.app"_s.arg(i);
        addWrapped(entry, u"Inner.app"_s, u"test.%1"_s.arg(i), cases[i].first);
        m_tree.writePlist(entry + u"/Contents/iTunesMetadata.plist"_s, { { u"itemId"_s, 654 } });
    }
    const QList<AppInfo> apps = scan();
    for (int i = 0; i < cases.size(); ++i) {
        const AppInfo* app = findApp(apps, u"test.%1"_s.arg(i));
        EXPECT_EQ(app ? std::optional(app->adamID()) : std::nullopt, cases[i].second) << i;
    }
}

TEST_F(ScannerTest, OnlyAppEntriesDirectlyInTheFolderAreTakenAndNamedByTheirIdentifier)
{
    const QByteArray itemId = PropertyList::serialize(QVariantMap { { u"itemId"_s, 1 } });
    addWrapped(u"Applications/Outer.app"_s, u"Inner.app"_s, u"x.y.inner"_s, itemId);
    // Without an identifier of their own, only the first wrapped application speaks for them.
    addWrapped(u"Applications/Lonely.app"_s, u"One.app"_s, std::nullopt, itemId);
    m_tree.makeFolder(u"Applications/Lonely.app/Wrapper/Two.app"_s);
    const QStringList wrapped = listedApps(m_tree.pathOf(u"Applications/Lonely.app/Wrapper"_s));
    ASSERT_EQ(wrapped.size(), 2);
    m_tree.writePlist(u"Applications/Lonely.app/Wrapper/"_s + wrapped.at(1) + u"/Info.plist"_s,
                      { { u"CFBundleIdentifier"_s, u"x.y.later"_s } });
    addApp(u"Bare.app.app"_s, std::nullopt);
    // An empty identifier names nothing; it would merge unrelated bundles into one.
    addApp(u"Empty.app"_s, QString());
    addApp(u"Notes.APP"_s, u"test.notes"_s);
    m_tree.makeBundle(u"Applications/Tools/Some.app"_s, u"test.some"_s, 5);

    QStringList ids = idsOf(scan());
    ids.sort();
    EXPECT_EQ(ids, (QStringList { u"Bare"_s, u"Empty"_s, u"Lonely"_s, u"x.y.inner"_s }));
}

// With the file system's own metadata: names from the bundles, dates from the folders.
TEST_F(ScannerTest, TheFirstRecordOfAnIdWins)
{
    const auto named = [](const QString& name) { return QVariantMap { { u"CFBundleDisplayName"_s, name } }; };
    m_tree.makeBundle(u"Applications/Copy.app"_s, u"com.example.shared"_s, 1, named(u"System"_s));
    m_tree.makeBundle(u"home/Applications/Copy.app"_s, u"com.example.shared"_s, 2, named(u"Home"_s));
    m_tree.makeBundle(u"home/Applications/Own.app"_s, u"com.example.own"_s, 3);
    m_tree.setModificationTime(u"Applications/Copy.app"_s, ChangedDate);

    const QList<AppInfo> apps = AppScanner(m_system, m_home).scanInstalledApps({}).apps;
    ASSERT_EQ(apps.size(), 2);
    EXPECT_EQ(apps.last().id(), AppId(u"com.example.own"_s));
    const AppInfo* shared = findApp(apps, u"com.example.shared"_s);
    EXPECT_EQ(
        std::tuple(shared->name(), shared->adamID(), shared->modificationDate(), shared->lastAccessedDate()),
        std::tuple(u"System"_s, u"1"_s, OptionalDate(ChangedDate), OptionalDate()));
}

// Enough bundles for several threads: the records still come in listing order, and of the bundles
// sharing an id the first listed wins, wherever the threads' shares of the folder begin and end.
TEST_F(ScannerTest, AFolderReadInParallelKeepsListingOrderAndTheFirstOfAnId)
{
    // Every fifth is not from the App Store; ids repeat every 150 bundles.
    for (int i = 0; i < 400; ++i)
        addApp(u"App%1.app"_s.arg(i), u"test.%1"_s.arg(i % 150), i % 5 == 4 ? 0 : i + 1);
    QStringList expected;
    QSet<int> seen;
    for (const QString& entry : listedApps(m_system)) {
        const int i = entry.mid(3, entry.size() - 7).toInt();
        if (i % 5 != 4 && !seen.contains(i % 150)) {
            expected.append(u"%1 %2"_s.arg(i % 150).arg(i + 1));
            seen.insert(i % 150);
        }
    }
    QStringList found;
    for (const AppInfo& app : scan())
        found.append(app.id().text().mid(5) + u' ' + app.adamID());
    EXPECT_EQ(found, expected);
}

} // namespace
