#include "DesktopWorkspace.h"
#include "FixtureTree.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QImage>
#include <QObject>
#include <QPixmap>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
// Stands in for the desktop's browser, so that no test starts a real one.
class RecordedUrls : public QObject
{
    Q_OBJECT

public:
    RecordedUrls()
    {
        for (const QString& scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~RecordedUrls() override
    {
        for (const QString& scheme : schemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }
    const QStringList schemes { u"https"_s, u"http"_s, u"file"_s, u"mailto"_s, u"javascript"_s };
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
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

// A bundle whose Info.plist names iconFile, with bytes at Contents/Resources/<resource>.
QString iconBundle(FixtureTree& tree, const QString& name, const QString& iconFile, const QString& resource,
                   const QByteArray& bytes)
{
    const QString bundle =
        tree.makeBundle(name, u"x."_s + name, std::nullopt, { { u"CFBundleIconFile"_s, iconFile } });
    tree.writeFile(name + u"/Contents/Resources/"_s + resource, bytes);
    return bundle;
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
    EXPECT_TRUE(urls.opened.isEmpty());
    const QUrl page(u"https://apps.example.com/app/id42"_s);
    EXPECT_TRUE(workspace.openUrl(page));
    EXPECT_EQ(urls.opened, QList<QUrl> { page });
}

TEST(DesktopWorkspace, UsesTheBundlesOwnIconOrAGenericOne)
{
    FixtureTree tree;
    DesktopWorkspace workspace;
    // A name without an extension means an .icns file; the reader goes by content.
    const QString red = iconBundle(tree, u"Red.app"_s, u"AppIcon"_s, u"AppIcon.icns"_s, png(Qt::red));
    EXPECT_EQ(centreColour(workspace.iconForFile(red)), QColor(Qt::red));
    const QString blue = iconBundle(tree, u"Blue.app"_s, u"b.png"_s, u"b.png"_s, png(Qt::blue));
    EXPECT_EQ(centreColour(workspace.iconForFile(blue)), QColor(Qt::blue));

    // Anything else gets a generic icon, never a file from outside the bundle.
    tree.writeFile(u"secret.png"_s, png(Qt::green));
    const QString escaping = iconBundle(tree, u"Escape.app"_s, u"../../secret.png"_s, u"x"_s, {});
    const QString broken = iconBundle(tree, u"Broken.app"_s, u"i.png"_s, u"i.png"_s, "not an image");
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
    const QString bundle = iconBundle(tree, u"A.app"_s, u"i.png"_s, u"i.png"_s, png(Qt::red));
    tree.setModificationTime(u"A.app"_s, QDateTime::fromSecsSinceEpoch(1000000, Qt::UTC));
    const QIcon first = workspace.iconForFile(bundle);
    EXPECT_EQ(workspace.iconForFile(bundle).cacheKey(), first.cacheKey());

    tree.writeFile(u"A.app/Contents/Resources/i.png"_s, png(Qt::blue));
    tree.setModificationTime(u"A.app"_s, QDateTime::fromSecsSinceEpoch(2000000, Qt::UTC));
    EXPECT_EQ(centreColour(workspace.iconForFile(bundle)), QColor(Qt::blue));
}

#include "test_workspace.moc"
