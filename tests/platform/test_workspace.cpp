#include "DesktopWorkspace.h"
#include "FixtureTree.h"
#include "MainBundle.h"
#include "Workspace.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QImage>
#include <QObject>
#include <QPixmap>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
// Stands in for the desktop's browser, so that no test starts a real one.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class RecordedUrls
{
public:
    RecordedUrls()
    {
        for (const QString& scheme : m_schemes)
            QDesktopServices::setUrlHandler(scheme, &m_recorder, "open");
    }
    ~RecordedUrls()
    {
        for (const QString& scheme : m_schemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }
    const QList<QUrl>& opened() const { return m_recorder.opened; }

private:
    const QStringList m_schemes { u"https"_s, u"http"_s, u"file"_s, u"mailto"_s, u"javascript"_s };
    UrlRecorder m_recorder;
};

QByteArray png(QColor color)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QColor centreColour(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage().pixelColor(8, 8);
}
} // namespace

TEST(DesktopWorkspace, OpensOnlyWebPagesOverHttps)
{
    const RecordedUrls urls;
    DesktopWorkspace workspace;
    for (const QString& address :
         { u"http://example.com/app/id1"_s, u"file:///etc/passwd"_s, u"mailto:someone@example.com"_s,
           u"javascript:alert(1)"_s, u"https://"_s, QString() }) {
        EXPECT_FALSE(workspace.openUrl(QUrl(address))) << qPrintable(address);
    }
    EXPECT_TRUE(urls.opened().isEmpty());
    const QUrl page(u"https://apps.example.com/app/id42"_s);
    EXPECT_TRUE(workspace.openUrl(page));
    EXPECT_EQ(urls.opened(), QList<QUrl> { page });
}

TEST(DesktopWorkspace, UsesTheBundlesOwnIcon)
{
    FixtureTree tree;
    DesktopWorkspace workspace;
    // A name without an extension means an .icns file; the reader goes by content.
    const QString bundle =
        tree.makeBundle(u"Red.app"_s, u"x.red"_s, std::nullopt, { { u"CFBundleIconFile"_s, u"AppIcon"_s } });
    tree.writeFile(u"Red.app/Contents/Resources/AppIcon.icns"_s, png(Qt::red));
    EXPECT_EQ(centreColour(workspace.iconForFile(bundle)), QColor(Qt::red));

    const QString named =
        tree.makeBundle(u"Blue.app"_s, u"x.blue"_s, std::nullopt, { { u"CFBundleIconFile"_s, u"b.png"_s } });
    tree.writeFile(u"Blue.app/Contents/Resources/b.png"_s, png(Qt::blue));
    EXPECT_EQ(centreColour(workspace.iconForFile(named)), QColor(Qt::blue));
}

TEST(DesktopWorkspace, FallsBackToAGenericIcon)
{
    FixtureTree tree;
    DesktopWorkspace workspace;
    tree.writeFile(u"secret.png"_s, png(Qt::green));
    const QString escaping = tree.makeBundle(u"Escape.app"_s, u"x.e"_s, std::nullopt,
                                             { { u"CFBundleIconFile"_s, u"../../secret.png"_s } });
    const QString broken =
        tree.makeBundle(u"Broken.app"_s, u"x.b"_s, std::nullopt, { { u"CFBundleIconFile"_s, u"i.png"_s } });
    tree.writeFile(u"Broken.app/Contents/Resources/i.png"_s, "not an image");
    const QString plain = tree.makeBundle(u"Plain.app"_s, u"x.p"_s);
    for (const QString& path : { escaping, broken, plain, tree.pathOf(u"Missing.app"_s) }) {
        const QIcon icon = workspace.iconForFile(path);
        EXPECT_FALSE(icon.isNull()) << qPrintable(path);
        EXPECT_NE(centreColour(icon), QColor(Qt::green)) << qPrintable(path);
    }
}

TEST(DesktopWorkspace, CachedIconIsRenewedWhenTheBundleChanges)
{
    FixtureTree tree;
    DesktopWorkspace workspace;
    const QString bundle =
        tree.makeBundle(u"A.app"_s, u"x.a"_s, std::nullopt, { { u"CFBundleIconFile"_s, u"i.png"_s } });
    tree.writeFile(u"A.app/Contents/Resources/i.png"_s, png(Qt::red));
    tree.setModificationTime(u"A.app"_s, QDateTime::fromSecsSinceEpoch(1000000, Qt::UTC));
    const QIcon first = workspace.iconForFile(bundle);
    EXPECT_EQ(workspace.iconForFile(bundle).cacheKey(), first.cacheKey());

    tree.writeFile(u"A.app/Contents/Resources/i.png"_s, png(Qt::blue));
    tree.setModificationTime(u"A.app"_s, QDateTime::fromSecsSinceEpoch(2000000, Qt::UTC));
    EXPECT_EQ(centreColour(workspace.iconForFile(bundle)), QColor(Qt::blue));
}

TEST(Workspace, SharedWorkspaceCanBeReplacedAndRestored)
{
    DesktopWorkspace replacement;
    Workspace& original = Workspace::shared();
    Workspace::setSharedForTesting(&replacement);
    EXPECT_EQ(&Workspace::shared(), &replacement);
    Workspace::setSharedForTesting(nullptr);
    EXPECT_EQ(&Workspace::shared(), &original);
}

TEST(MainBundle, ReadsTheBuiltInDictionaryAndTakesATestReplacement)
{
    EXPECT_EQ(MainBundle::identifier(), u"org.kudora.Kudora"_s);
    EXPECT_EQ(MainBundle::infoValue(u"CFBundleName"_s), QVariant(u"Kudora"_s));
    EXPECT_FALSE(MainBundle::shortVersion().isEmpty());

    MainBundle::setInfoDictionaryForTesting(QVariantMap { { u"CFBundleIdentifier"_s, u"test.id"_s } });
    EXPECT_EQ(MainBundle::identifier(), u"test.id"_s);
    EXPECT_FALSE(MainBundle::infoValue(u"CFBundleName"_s).isValid());
    MainBundle::setInfoDictionaryForTesting(std::nullopt);
    EXPECT_EQ(MainBundle::identifier(), u"org.kudora.Kudora"_s);
}

#include "test_workspace.moc"
