// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the main window in mock mode into a PNG for the documentation:
//   kudora_screenshot [--dark] [--stores] <output.png> [width height]
// --dark draws it in the Fusion style with a dark palette, as a dark desktop theme would.
// --stores shows the four kinds of store application instead of the sample catalogue: two App
// Store bundles, the Flatpak installations the tests build (FlatpakFixture), snaps from the tests'
// stand-in for snapd and a prefix of distribution applications as packages install them (metainfo,
// desktop entries, hicolor icons), with a few uses in GNOME Shell's records and, with the user's
// reviews looked up, two of their reviews as the ratings service's answers are cached.
// It runs on the program's own pieces, with a store in memory, no update checking and Applications
// folders of its own, so it neither reads nor changes anything of the person running it.

#include "AppModel.h"
#include "AppScanner.h"
#include "DarkPalette.h"
#include "DistroSource.h"
#include "FixtureTree.h"
#include "FlatpakFixture.h"
#include "FlatpakSource.h"
#include "KudoraApp.h"
#include "MainBundle.h"
#include "MainWindow.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"
#include "ReviewCache.h"
#include "ReviewChoice.h"
#include "SnapSource.h"
#include "SnapdDouble.h"
#include "UpdaterController.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// GNOME Shell's record of a few uses, days before now, by desktop file name.
QByteArray usageState(const QList<std::pair<QByteArray, int>>& uses)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QByteArray xml = "<?xml version=\"1.0\"?>\n<application-state>\n  <context id=\"\">\n";
    for (const auto& [desktopFile, daysAgo] : uses)
        xml += "    <application id=\"" + desktopFile + "\" open-window-count=\"0\" score=\"1\" last-seen=\""
            + QByteArray::number(now - daysAgo * 86400) + "\"/>\n";
    return xml + "  </context>\n</application-state>\n";
}

// A plain application icon: a rounded square in color with a letter.
void writeIcon(const QString& path, const QColor& color, QChar letter)
{
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(4, 4, 56, 56), 12, 12);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(34);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(4, 4, 56, 56), Qt::AlignCenter, QString(letter));
    painter.end();
    QDir().mkpath(QFileInfo(path).path());
    image.save(path);
}

// Two App Store bundles, three snaps and three distribution applications with their desktop entries
// and icons, all in tree, and the uses GNOME Shell recorded of them and of the Flatpak applications.
void makeStoreApplications(FixtureTree& tree, SnapdDouble& snapd, PreferencesService& preferences)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QList<std::tuple<const char*, const char*, qlonglong, QColor, int>> bundles {
        { "Pastel", "com.colorloom.Pastel", 413897608, QColor(0xd9, 0x5d, 0x8f), 2 },
        { "Drafts", "com.quillworks.Drafts", 1236254471, QColor(0x3b, 0x7d, 0xd8), 20 },
    };
    for (const auto& [name, id, itemId, color, daysAgo] : bundles) {
        const QString bundle = u"Applications/"_s + QLatin1StringView(name) + u".app"_s;
        tree.makeBundle(
            bundle, QString::fromLatin1(id), itemId,
            { { u"CFBundleName"_s, QString::fromLatin1(name) }, { u"CFBundleIconFile"_s, u"icon.png"_s } });
        writeIcon(tree.pathOf(bundle + u"/Contents/Resources/icon.png"_s), color, QLatin1Char(name[0]));
        tree.setModificationTime(bundle, now.addDays(-daysAgo));
    }
    // Name, title, color, installed days ago.
    const QList<std::tuple<const char*, const char*, QColor, int>> snaps {
        { "tessera", "Tessera", QColor(0x2e, 0x9e, 0x6b), 30 },
        { "lumen-notes", "Lumen Notes", QColor(0xe0, 0x8a, 0x1e), 9 },
        { "orbit-player", "Orbit Player", QColor(0x7a, 0x4f, 0xc9), 60 },
    };
    QJsonArray listed;
    for (const auto& [name, title, color, daysAgo] : snaps) {
        const QString snap = QString::fromLatin1(name);
        const QString icon = tree.pathOf(u"snaps/"_s + snap + u".png"_s);
        writeIcon(icon, color, QLatin1Char(title[0]));
        const QString entry = tree.writeFile(u"snaps/"_s + snap + u'_' + snap + u".desktop"_s,
                                             "[Desktop Entry]\nType=Application\nName=" + QByteArray(title)
                                                 + "\nIcon=" + icon.toUtf8() + "\nExec=" + name + '\n');
        listed.append(
            SnapdDouble::storeSnap(snap, QString::fromLatin1(title), { entry }, now.addDays(-daysAgo)));
    }
    snapd.setReply({ SnapdDouble::syncBody(listed) });
    // Id, name, color; their icons by name in the prefix's hicolor theme.
    const QList<std::tuple<const char*, const char*, QColor>> packaged {
        { "org.marginalia.Marginalia", "Marginalia", QColor(0x1f, 0x8a, 0x9e) },
        { "net.ledgerly.Ledgerly", "Ledgerly", QColor(0xc2, 0x4b, 0x3a) },
        { "org.stillwater.Photos", "Stillwater Photos", QColor(0x5b, 0x6b, 0x7d) },
    };
    for (const auto& [id, name, color] : packaged) {
        const QByteArray desktopID = QByteArray(id) + ".desktop";
        tree.writeFile(
            u"share/metainfo/"_s + QLatin1StringView(id) + u".metainfo.xml"_s,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<component type=\"desktop-application\">\n"
            "  <id>"
                + QByteArray(id) + "</id>\n  <name>" + name + "</name>\n  <launchable type=\"desktop-id\">"
                + desktopID + "</launchable>\n</component>\n");
        tree.writeFile(u"share/applications/"_s + QString::fromLatin1(desktopID),
                       "[Desktop Entry]\nType=Application\nName=" + QByteArray(name) + "\nIcon=" + id
                           + "\nExec=true\n");
        writeIcon(tree.pathOf(u"share/icons/hicolor/64x64/apps/"_s + QLatin1StringView(id) + u".png"_s),
                  color, QLatin1Char(name[0]));
    }
    tree.writeFile(u"data/gnome-shell/application_state"_s,
                   usageState({ { QByteArray(FlatpakFixture::UserApp) + ".desktop", 1 },
                                { QByteArray(FlatpakFixture::FlathubApp) + ".desktop", 3 },
                                { QByteArray(FlatpakFixture::AppDataApp) + ".desktop", 12 },
                                { "tessera_tessera.desktop", 0 },
                                { "lumen-notes_lumen-notes.desktop", 5 },
                                { "org.marginalia.Marginalia.desktop", 1 },
                                { "net.ledgerly.Ledgerly.desktop", 7 },
                                { "org.stillwater.Photos.desktop", 40 } }));
    preferences.recordReviewDate(AppId(QString::fromLatin1(FlatpakFixture::FlathubApp)));
    preferences.recordReviewDate(AppId(u"snap:tessera"_s));

    // The user agreed to the lookups; two answers are cached, and the others are asked of a port
    // on this computer where nothing listens.
    preferences.domain().setValue(ReviewChoice::ChoiceKey, true);
    preferences.domain().setValue(ReviewChoice::ServerKey, u"http://127.0.0.1:9/1.0/reviews/api"_s);
    tree.writeFile(u"machine-id"_s, "0123456789abcdef0123456789abcdef\n");
    ReviewCache cache(tree.pathOf(u"cache"_s));
    cache.record(QString::fromLatin1(FlatpakFixture::UserApp),
                 OnlineReview { now.addDays(-45), 80, u"Does everything I need"_s });
    cache.record(u"org.marginalia.Marginalia"_s,
                 OnlineReview { now.addDays(-200), 100, u"Lovely for notes"_s });
    cache.save();
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir flatpakRoot;
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw.append(QString::fromLocal8Bit(argv[i]));
    const bool stores = raw.contains(QStringLiteral("--stores"));
    if (stores) {
        // libflatpak and the flatpak tool read these once: set before either runs.
        for (const char* name : { "FLATPAK_USER_DIR", "FLATPAK_SYSTEM_DIR", "FLATPAK_CONFIG_DIR" }) {
            const QString folder = flatpakRoot.path() + u'/' + QString::fromLatin1(name).toLower();
            QDir().mkpath(folder);
            qputenv(name, QFile::encodeName(folder));
        }
    }
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments();
    const bool dark = arguments.removeAll(QStringLiteral("--dark")) > 0;
    arguments.removeAll(QStringLiteral("--stores"));
    if (arguments.size() != 2 && arguments.size() != 4) {
        std::fputs("usage: kudora_screenshot [--dark] [--stores] <output.png> [width height]\n", stderr);
        return 2;
    }
    if (dark) {
        // Before any window exists, so that everything is made in the theme it is drawn in.
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
    const QSize size =
        arguments.size() == 4 ? QSize(arguments[2].toInt(), arguments[3].toInt()) : QSize(1000, 600);

    FixtureTree tree;
    SnapdDouble snapd;
    PreferencesService preferences(std::make_shared<MemoryDefaultsDomain>());
    ProgramParts parts;
    parts.preferences = &preferences;
    const QString applications = tree.makeFolder(u"Applications"_s);
    parts.sources =
        AppSources { std::make_shared<const AppScanner>(applications, tree.makeFolder(u"home"_s)) };
    if (stores) {
        if (!FlatpakFixture::shared().error().isEmpty()) {
            std::fprintf(stderr, "cannot build the Flatpak installations: %s\n",
                         qPrintable(FlatpakFixture::shared().error()));
            return 1;
        }
        makeStoreApplications(tree, snapd, preferences);
        parts.reviewCacheFolder = tree.pathOf(u"cache"_s);
        parts.machineIdFile = tree.pathOf(u"machine-id"_s);
        const QString data = tree.pathOf(u"data"_s);
        parts.sources->append(std::make_shared<const FlatpakSource>(data));
        parts.sources->append(std::make_shared<const SnapSource>(snapd.socketPath(), data));
        // The prefix's hicolor theme is where the window looks up their icons.
        const QString share = tree.pathOf(u"share"_s);
        const QByteArray system = qEnvironmentVariableIsEmpty("XDG_DATA_DIRS")
            ? QByteArray("/usr/local/share:/usr/share")
            : qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_DIRS", QFile::encodeName(share) + ':' + system);
        parts.sources->append(std::make_shared<const DistroSource>(QStringList { share }, data));
    }
    parts.makeUpdaterController = [](const QVariantMap&, Workspace&) {
        return std::unique_ptr<UpdaterController>();
    };
    parts.info = MainBundle::infoDictionary();
    KudoraApp::describeApplication(*parts.info);
    KudoraApp kudora(std::move(parts));

    // The first scan runs by itself; mock mode follows once it is done, as the Develop menu would.
    AppModel& model = kudora.model();
    QSignalSpy scans(&model, &AppModel::rescanFinished);
    if (!scans.wait(5000)) {
        std::fputs("the first scan did not finish\n", stderr);
        return 1;
    }
    if (!stores)
        model.toggleMockMode();
    if ((!stores && !scans.wait(5000)) || model.apps().isEmpty()) {
        std::fputs("the sample catalogue did not appear\n", stderr);
        return 1;
    }

    MainWindow& window = kudora.mainWindow();
    window.resize(size);
    kudora.openMainWindow();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fputs("the window was never shown\n", stderr);
        return 1;
    }
    QTest::qWait(200);
    if (!window.grab().save(arguments[1])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments[1]));
        return 1;
    }
    return 0;
}
