// Flatpak applications from real installations (tests/support/FlatpakFixture): their names, pages,
// last use and icons, how the model keeps the user's choices for them, and how the desktop opens
// their software-centre pages.
#include "AppLists.h"
#include "DesktopWorkspace.h"
#include "FixtureTree.h"
#include "FlatpakFixture.h"
#include "FlatpakSource.h"
#include "SafeFile.h"
#include "UsageRecords.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

QDateTime at(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

QStringList sortedIDs(const QList<AppInfo>& apps)
{
    QStringList ids = idsOf(apps);
    ids.sort();
    return ids;
}

QByteArray gnomeState(const QList<std::pair<QByteArray, qint64>>& seen)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<application-state>\n  <context id=\"\">\n";
    for (const auto& [desktopID, seconds] : seen)
        xml += "    <application id=\"" + desktopID + "\" open-window-count=\"0\" score=\"3.5\" last-seen=\""
            + QByteArray::number(seconds) + "\"/>\n";
    return xml + "  </context>\n</application-state>\n";
}

// The activity manager's database as kactivitymanagerd creates it, in write-ahead-log mode, held
// open as a running manager holds it: the rows are still in the log, not in the main file.
struct ActivityDatabase
{
    ActivityDatabase(const QString& path, const QList<std::pair<QByteArray, qint64>>& updates)
    {
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        QByteArray sql =
            "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
            "CREATE TABLE ResourceScoreCache (usedActivity TEXT, initiatingAgent TEXT, "
            "targettedResource TEXT, scoreType INTEGER, cachedScore FLOAT, firstUpdate INTEGER, "
            "lastUpdate INTEGER, PRIMARY KEY(usedActivity, initiatingAgent, targettedResource));";
        for (const auto& [resource, seconds] : updates)
            sql += "INSERT INTO ResourceScoreCache VALUES ('activity', 'org.kde.plasmashell', '" + resource
                + "', 0, 1.0, 1, " + QByteArray::number(seconds) + ");";
        EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
    }
    ~ActivityDatabase() { sqlite3_close(db); }

    sqlite3* db = nullptr;
};

class FlatpakTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const FlatpakFixture& fixture = FlatpakFixture::shared();
        ASSERT_TRUE(fixture.error().isEmpty()) << qPrintable(fixture.error());
        static bool reported = false;
        if (!reported) {
            std::printf("Flatpak fixture built\n");
            reported = true;
        }
    }

    AppSource::Result scan() const { return FlatpakSource(m_data.path()).scan({}); }

    QString gnomePath() const { return m_data.pathOf(u"gnome-shell/application_state"_s); }
    QString kdePath() const { return m_data.pathOf(u"kactivitymanagerd/resources/database"_s); }

    FixtureTree m_data;
};

TEST_F(FlatpakTest, ListsOneRecordPerStoreApplicationWithItsNameAndPages)
{
    const AppSource::Result result = scan();
    EXPECT_TRUE(result.complete);
    // No sideloaded bundle, no runtime.
    QStringList listed = FlatpakFixture::listedIDs();
    listed.sort();
    EXPECT_EQ(sortedIDs(result.apps), listed);

    const QString user = FlatpakFixture::shared().userDir();
    const QString system = FlatpakFixture::shared().systemDir();
    struct Case
    {
        const char* id;
        QString name;
        QString installation;
        QString webPage;
    };
    const QList<Case> cases {
        { FlatpakFixture::UserApp, u"User App"_s, user, {} },
        // Without desktop entry or AppStream name, the id.
        { FlatpakFixture::SystemApp, QString::fromLatin1(FlatpakFixture::SystemApp), system, {} },
        // In both installations, the user's.
        { FlatpakFixture::BothApp, u"Both App"_s, user, {} },
        { FlatpakFixture::LocalisedApp, u"American"_s, user, {} },
        // AppStream's name before the desktop entry's.
        { FlatpakFixture::AppDataApp, u"AppStream Name"_s, user, {} },
        { FlatpakFixture::FlathubApp, u"Flathub App"_s, user,
          u"https://flathub.org/apps/org.kudora.test.FlathubApp"_s },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const AppInfo* app = findApp(result.apps, c.id);
        ASSERT_NE(app, nullptr);
        EXPECT_EQ(app->name(), c.name);
        EXPECT_EQ(app->store(), AppInfo::Store::Flatpak);
        EXPECT_TRUE(app->adamID().isEmpty());
        EXPECT_TRUE(app->bundlePath().startsWith(c.installation + u"/app/"_s))
            << qPrintable(app->bundlePath());
        EXPECT_TRUE(QFileInfo(app->bundlePath() + u"/files"_s).isDir());
        // The id's case reaches the software centre unchanged.
        EXPECT_EQ(app->reviewURL().value_or(QUrl()).toString(), u"appstream:"_s + QLatin1StringView(c.id));
        EXPECT_EQ(app->reviewFallbackURL().value_or(QUrl()).toString(), c.webPage);
        EXPECT_FALSE(app->lastAccessedDate().has_value());
        EXPECT_EQ(app->modificationDate(), QFileInfo(app->bundlePath()).lastModified().toUTC());
    }
}

TEST_F(FlatpakTest, LastUseIsTheNewestOfTheDesktopsRecords)
{
    m_data.writeFile(u"gnome-shell/application_state"_s,
                     gnomeState({ { "org.kudora.test.UserApp.desktop", 1700000000 },
                                  { "org.kudora.test.BothApp.desktop", 1700002000 },
                                  { "org.kudora.test.LocalisedApp.desktop", 1700003000 },
                                  { "window:12", 1700009000 } }));
    const ActivityDatabase running(kdePath(),
                                   { { "applications:org.kudora.test.SystemApp.desktop", 1700001500 },
                                     { "applications:org.kudora.test.BothApp.desktop", 1700001800 },
                                     { "applications:org.kudora.test.LocalisedApp", 1700003500 },
                                     { "file:///home/user/org.kudora.test.FlathubApp", 1700009000 } });
    ASSERT_GT(QFileInfo(kdePath() + u"-wal"_s).size(), 0);
    const QByteArray original = *SafeFile::readRegularFile(kdePath());

    const AppSource::Result result = scan();
    EXPECT_TRUE(result.complete);
    const QList<std::pair<const char*, OptionalDate>> expected {
        { FlatpakFixture::UserApp, at(1700000000) },  { FlatpakFixture::SystemApp, at(1700001500) },
        { FlatpakFixture::BothApp, at(1700002000) },  { FlatpakFixture::LocalisedApp, at(1700003500) },
        { FlatpakFixture::FlathubApp, std::nullopt }, { FlatpakFixture::AppDataApp, std::nullopt },
    };
    for (const auto& [id, lastUse] : expected) {
        const AppInfo* app = findApp(result.apps, id);
        ASSERT_NE(app, nullptr) << id;
        EXPECT_EQ(app->lastAccessedDate(), lastUse) << id;
    }
    // The manager's files are as it left them, and it can still write.
    EXPECT_EQ(*SafeFile::readRegularFile(kdePath()), original);
    EXPECT_EQ(
        sqlite3_exec(running.db, "UPDATE ResourceScoreCache SET lastUpdate = 1", nullptr, nullptr, nullptr),
        SQLITE_OK);
}

TEST_F(FlatpakTest, BrokenUsageRecordsLeaveTheListButNotTheScanComplete)
{
    const QByteArray oversized = gnomeState({ { "org.kudora.test.UserApp.desktop", 1700000000 } })
        + QByteArray(UsageRecords::StateFileLimit, ' ');
    struct Case
    {
        const char* what;
        QByteArray gnome;
        QByteArray kde;
    };
    const QList<Case> cases {
        { "truncated state", gnomeState({ { "org.kudora.test.UserApp.desktop", 1700000000 } }).left(90), {} },
        { "another document",
          "<?xml version=\"1.0\"?><plist><application id=\"org.kudora.test.UserApp.desktop\" "
          "last-seen=\"1700000000\"/></plist>",
          {} },
        { "oversized state", oversized, {} },
        { "not a database", {}, "SQLite format 3\0garbage" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(gnomePath());
        QFile::remove(kdePath());
        if (!c.gnome.isNull())
            m_data.writeFile(u"gnome-shell/application_state"_s, c.gnome);
        if (!c.kde.isNull())
            m_data.writeFile(u"kactivitymanagerd/resources/database"_s, c.kde);
        const AppSource::Result result = scan();
        EXPECT_FALSE(result.complete);
        EXPECT_EQ(result.apps.size(), FlatpakFixture::listedIDs().size());
        const AppInfo* app = findApp(result.apps, FlatpakFixture::UserApp);
        ASSERT_NE(app, nullptr);
        EXPECT_FALSE(app->lastAccessedDate().has_value());
    }
}

TEST_F(FlatpakTest, WithoutTheLibraryThereAreNoneAndTheScanIsComplete)
{
    const AppSource::Result result =
        FlatpakSource(m_data.path(), u"libkudora-no-such-flatpak.so.0"_s).scan({});
    EXPECT_TRUE(result.complete);
    EXPECT_TRUE(result.apps.isEmpty());
}

TEST(FlatpakNames, DesktopEntryNameFollowsTheLocale)
{
    const QByteArray entry =
        "# Name=Comment\n[Desktop Action new]\nName=Action\n[Desktop Entry]\nType=Application\n"
        "Name=Plain\\sName\nName[de]=Deutsch\nName[pt_BR]=Brasileiro\nName[pt]=Portugues\n"
        "[Other Group]\nName[fr]=Autre\n";
    const QList<std::pair<QLocale, QString>> cases {
        { QLocale(QLocale::German, QLocale::Germany), u"Deutsch"_s },
        { QLocale(QLocale::Portuguese, QLocale::Brazil), u"Brasileiro"_s },
        { QLocale(QLocale::Portuguese, QLocale::Portugal), u"Portugues"_s },
        { QLocale(QLocale::French, QLocale::France), u"Plain Name"_s },
    };
    for (const auto& [locale, name] : cases)
        EXPECT_EQ(FlatpakSource::desktopEntryName(entry, locale), name) << qPrintable(locale.name());
    EXPECT_TRUE(FlatpakSource::desktopEntryName("[Desktop Action x]\nName=Action\n", QLocale()).isEmpty());
}

TEST(FlatpakUsage, GnomeShellStateIsReadAsTheShellWritesIt)
{
    struct Case
    {
        const char* what;
        QByteArray document;
        std::optional<UsageRecords::LastUse> expected;
    };
    const QList<Case> cases {
        { "two contexts, newest kept",
          "<?xml version=\"1.0\"?><application-state><context id=\"\"><application id=\"a.b.desktop\" "
          "last-seen=\"100\"/></context><context id=\"work\"><application id=\"a.b.desktop\" "
          "last-seen=\"300\"/>"
          "<application id=\"c.d.desktop\" last-seen=\"0\"/><application id=\"e.f.desktop\" "
          "last-seen=\"-5\"/>"
          "<application id=\"g.h.desktop\" last-seen=\"99999999999999\"/></context></application-state>",
          UsageRecords::LastUse { { u"a.b"_s, at(300) } } },
        { "empty state", "<application-state/>", UsageRecords::LastUse {} },
        { "other root", "<application-states/>", std::nullopt },
        { "unclosed", "<application-state><context>", std::nullopt },
        { "empty", "", std::nullopt },
    };
    for (const Case& c : cases)
        EXPECT_EQ(UsageRecords::parseGnomeShellState(c.document), c.expected) << c.what;
}

// A store whose scan gives what it was made with.
class FixedSource : public AppSource
{
public:
    explicit FixedSource(Result result)
        : m_result(std::move(result))
    { }
    Result scan(const ReviewDateMap&) const override { return m_result; }

private:
    Result m_result;
};

TEST(AppSources, MergeKeepsTheFirstStoresRecordOfAnIdAndAnyIncompleteness)
{
    const AppInfo appStore(u"org.example.Shared"_s, u"From the App Store"_s, u"/Applications/S.app"_s, u"7"_s,
                           {}, {}, {});
    const AppInfo flatpak = AppInfo::flatpakApp(u"org.example.Shared"_s, u"From Flatpak"_s, u"/deploy"_s, {},
                                                {}, {}, std::nullopt);
    const AppInfo other =
        AppInfo::flatpakApp(u"org.example.Other"_s, u"Other"_s, u"/deploy2"_s, {}, {}, {}, std::nullopt);
    const QList<std::tuple<bool, bool, bool>> completeness { { true, true, true },
                                                             { true, false, false },
                                                             { false, true, false } };
    for (const auto& [first, second, merged] : completeness) {
        const AppSource::Result result = AppSource::scanAll(
            { std::make_shared<const FixedSource>(AppSource::Result { { appStore }, first }),
              std::make_shared<const FixedSource>(AppSource::Result { { flatpak, other }, second }) },
            {});
        EXPECT_EQ(result.complete, merged);
        ASSERT_EQ(result.apps.size(), 2);
        EXPECT_EQ(result.apps.at(0).name(), u"From the App Store"_s);
        EXPECT_EQ(result.apps.at(1).id(), u"org.example.Other"_s);
    }
}

// An installation whose applications cannot be listed makes the scan incomplete, so that the
// model prunes nothing of the user's choices for its applications.
TEST_F(FlatpakTest, AnUnlistableInstallationMakesTheScanIncomplete)
{
    const QString apps = FlatpakFixture::shared().userDir() + u"/app"_s;
    ASSERT_TRUE(QDir().rename(apps, apps + u".aside"_s));
    {
        QFile blocker(apps);
        EXPECT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    const AppSource::Result result = scan();
    QFile::remove(apps);
    ASSERT_TRUE(QDir().rename(apps + u".aside"_s, apps));
    EXPECT_FALSE(result.complete);
    EXPECT_EQ(sortedIDs(result.apps),
              (QStringList { QString::fromLatin1(FlatpakFixture::BothApp),
                             QString::fromLatin1(FlatpakFixture::SystemApp) }));
}

} // namespace

namespace {

// Stands in for the software centre and the browser, so that no test starts a real one.
class RecordedUrls : public QObject
{
    Q_OBJECT

public:
    RecordedUrls()
    {
        for (const QString& scheme : { u"appstream"_s, u"https"_s })
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~RecordedUrls() override
    {
        for (const QString& scheme : { u"appstream"_s, u"https"_s })
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

// XDG_CONFIG_DIRS and XDG_DATA_DIRS inside a fixture, so that the machine's own associations
// never count; restored afterwards.
class OwnDesktopFolders
{
public:
    OwnDesktopFolders()
        : m_configDirs(qgetenv("XDG_CONFIG_DIRS"))
        , m_dataDirs(qgetenv("XDG_DATA_DIRS"))
    {
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(tree.makeFolder(u"etc-xdg"_s)));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(tree.makeFolder(u"share"_s)));
    }
    ~OwnDesktopFolders()
    {
        qputenv("XDG_CONFIG_DIRS", m_configDirs);
        qputenv("XDG_DATA_DIRS", m_dataDirs);
    }
    FixtureTree tree;

private:
    QByteArray m_configDirs;
    QByteArray m_dataDirs;
};

QColor centreColour(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage().pixelColor(8, 8);
}

} // namespace

TEST(FlatpakDesktop, OpensSoftwareCentrePagesOnlyWhereAHandlerIsRegistered)
{
    const QUrl page(u"appstream:org.kudora.test.UserApp"_s);
    struct Case
    {
        const char* what;
        QString file;
        QByteArray content;
        bool opens;
    };
    const QList<Case> cases {
        { "nothing registered", {}, {}, false },
        { "the user's default", u"home/mimeapps.list"_s,
          "[Default Applications]\nx-scheme-handler/appstream=org.gnome.Software.desktop\n", true },
        { "a system cache", u"share/applications/mimeinfo.cache"_s,
          "[MIME Cache]\nx-scheme-handler/appstream=org.kde.discover.urlhandler.desktop;\n", true },
        { "removed only", u"etc-xdg/mimeapps.list"_s,
          "[Removed Associations]\nx-scheme-handler/appstream=org.gnome.Software.desktop\n", false },
        { "another scheme", u"etc-xdg/mimeapps.list"_s,
          "[Default Applications]\nx-scheme-handler/apt=x.desktop\n", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OwnDesktopFolders folders;
        const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folders.tree.makeFolder(u"home"_s)));
        if (!c.file.isEmpty())
            folders.tree.writeFile(c.file, c.content);
        const RecordedUrls urls;
        DesktopWorkspace workspace;
        EXPECT_EQ(workspace.openUrl(page), c.opens);
        EXPECT_EQ(urls.opened, c.opens ? QList<QUrl> { page } : QList<QUrl> {});
        // Only this one scheme joins the web pages.
        EXPECT_FALSE(workspace.openUrl(QUrl(u"apt:org.kudora.test.UserApp"_s)));
        qputenv("XDG_CONFIG_HOME", configHome);
    }
}

TEST(FlatpakDesktop, IconIsTheOneTheInstallationExports)
{
    ASSERT_TRUE(FlatpakFixture::shared().error().isEmpty()) << qPrintable(FlatpakFixture::shared().error());
    const FixtureTree data;
    const QList<AppInfo> apps = FlatpakSource(data.path()).scan({}).apps;
    auto deployDirOf = [&](const char* id) {
        const AppInfo* app = findApp(apps, id);
        return app ? app->bundlePath() : QString();
    };
    DesktopWorkspace workspace;
    // The fixture's icon is blue; the generic one is not.
    EXPECT_EQ(centreColour(workspace.iconForFile(deployDirOf(FlatpakFixture::UserApp))), QColor(0, 0, 255));
    const QIcon generic = workspace.iconForFile(deployDirOf(FlatpakFixture::SystemApp));
    EXPECT_FALSE(generic.isNull());
    EXPECT_NE(centreColour(generic), QColor(0, 0, 255));
}

#include "test_flatpak.moc"
