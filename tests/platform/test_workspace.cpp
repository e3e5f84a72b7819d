// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopWorkspace.h"
#include "FixtureTree.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QImage>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
QByteArray png(QColor color, int side = 16, const char* format = "PNG")
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, format);
    return bytes;
}

const auto centreColour = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage().pixelColor(8, 8); };
} // namespace

TEST(DesktopWorkspace, OpensOnlyWebPagesOverHttps)
{
    // Stands in for the desktop's browser, so that no test starts a real one.
    QTextDocument browser;
    const QSignalSpy opened(&browser, &QTextDocument::baseUrlChanged);
    const QStringList schemes { u"https"_s, u"http"_s, u"file"_s, u"mailto"_s, u"javascript"_s };
    for (const QString& scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, &browser, "baseUrlChanged");
    const auto restore = qScopeGuard([&schemes] {
        for (const QString& scheme : schemes)
            QDesktopServices::unsetUrlHandler(scheme);
    });
    DesktopWorkspace workspace;
    for (const QString& address :
         { u"http://example.com/app/id1"_s, u"file:///etc/passwd"_s, u"mailto:a@example.com"_s,
           u"javascript:alert(1)"_s, u"https://"_s, QString() })
        EXPECT_FALSE(workspace.openUrl(QUrl(address))) << qPrintable(address);
    const QUrl page(u"https://apps.example.com/app/id42"_s);
    EXPECT_TRUE(workspace.openUrl(page));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.at(0).at(0), QVariant(page));
}

TEST(DesktopWorkspace, UsesTheBundlesOwnIconOrAGenericOneAndRenewsItWhenTheBundleChanges)
{
    FixtureTree tree;
    DesktopWorkspace workspace;
    const auto iconOf = [&](const QString& name, const QString& iconFile, const QString& resource,
                            const QByteArray& bytes) {
        tree.makeBundle(name, u"x.y"_s, std::nullopt,
                        iconFile.isNull() ? QVariantMap {}
                                          : QVariantMap { { u"CFBundleIconFile"_s, iconFile } });
        tree.writeFile(name + u"/Contents/Resources/"_s + resource, bytes);
        return centreColour(workspace.iconForFile(tree.pathOf(name)));
    };
    // A name without an extension means an .icns file; the reader goes by content.
    EXPECT_EQ(iconOf(u"Red.app"_s, u"AppIcon"_s, u"AppIcon.icns"_s, png(Qt::red)), QColor(Qt::red));
    EXPECT_EQ(iconOf(u"Blue.app"_s, u"b.png"_s, u"b.png"_s, png(Qt::blue)), QColor(Qt::blue));
    // Anything else gets the generic icon, never a file from outside the bundle.
    tree.writeFile(u"secret.png"_s, png(Qt::green));
    ASSERT_FALSE(workspace.iconForFile(tree.pathOf(u"Missing.app"_s)).isNull());
    const QColor generic = centreColour(workspace.iconForFile(tree.pathOf(u"Missing.app"_s)));
    EXPECT_EQ(iconOf(u"Escape.app"_s, u"../../secret.png"_s, u"x"_s, {}), generic);
    EXPECT_EQ(iconOf(u"Broken.app"_s, u"i.png"_s, u"i.png"_s, "not an image"), generic);
    EXPECT_EQ(iconOf(u"Plain.app"_s, {}, u"x"_s, {}), generic);
    // Kept until the bundle changes.
    const QString red = tree.pathOf(u"Red.app"_s);
    tree.setModificationTime(u"Red.app"_s, QDateTime::fromSecsSinceEpoch(1000000, Qt::UTC));
    EXPECT_EQ(workspace.iconForFile(red).cacheKey(), workspace.iconForFile(red).cacheKey());
    tree.writeFile(u"Red.app/Contents/Resources/AppIcon.icns"_s, png(Qt::blue));
    tree.setModificationTime(u"Red.app"_s, QDateTime::fromSecsSinceEpoch(2000000, Qt::UTC));
    EXPECT_EQ(centreColour(workspace.iconForFile(red)), QColor(Qt::blue));
}

// A few hundred bytes of PNG can unpack into a hundred megabytes, on the thread that paints.
TEST(DesktopWorkspace, ExportedIconsAreDecodedOnlyWithinTheSizeLimitAndAsTheirNameSays)
{
    FixtureTree tree;
    DesktopWorkspace workspace;
    const QColor generic = centreColour(workspace.iconForFile(tree.pathOf(u"missing"_s)));
    // The icon's file below the deploy folder's hicolor theme, its bytes, and the colour shown.
    const QList<std::tuple<QString, QByteArray, QColor>> cases {
        { u"64x64/apps/org.a.B.png"_s, png(Qt::red, 64), Qt::red },
        { u"1024x1024/apps/org.a.B.png"_s, png(Qt::red, 1024), Qt::red },
        { u"1025x1025/apps/org.a.B.png"_s, png(Qt::red, 1025), generic },
        { u"64x64/apps/org.a.B.png"_s, png(Qt::red, 64, "BMP"), generic },
        { u"scalable/apps/org.a.B.svg"_s, png(Qt::red, 64), generic },
    };
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const auto& [file, bytes, colour] = cases.at(i);
        const QString deployed = u"app/org.a.B/x86_64/stable/%1"_s.arg(i);
        tree.writeFile(deployed + u"/export/share/icons/hicolor/"_s + file, bytes);
        EXPECT_EQ(centreColour(workspace.iconForFile(tree.pathOf(deployed))), colour) << i;
    }
}
