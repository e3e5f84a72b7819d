// What a Flatpak row shows and opens: the icon its installation exports, and the software centre's
// page, or Flathub's web page where the desktop has no software centre for it.
#include "AppTableModel.h"
#include "DesktopWorkspace.h"
#include "FixtureTree.h"
#include "FlatpakFixture.h"
#include "FlatpakSource.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QObject>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

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
        for (const AppInfo& app : apps) {
            if (app.id() == QLatin1StringView(id))
                return app.bundlePath();
        }
        return QString();
    };
    DesktopWorkspace workspace;
    // The fixture's icon is blue; the generic one is not.
    EXPECT_EQ(centreColour(workspace.iconForFile(deployDirOf(FlatpakFixture::UserApp))), QColor(0, 0, 255));
    const QIcon generic = workspace.iconForFile(deployDirOf(FlatpakFixture::SystemApp));
    EXPECT_FALSE(generic.isNull());
    EXPECT_NE(centreColour(generic), QColor(0, 0, 255));
}

#include "test_flatpak_rows.moc"
