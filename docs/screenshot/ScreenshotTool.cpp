// Draws the main window in mock mode into a PNG for the documentation:
//   kudora_screenshot [--dark] [--flatpak] <output.png> [width height]
// --dark draws it in the Fusion style with a dark palette, as a dark desktop theme would.
// --flatpak shows real Flatpak applications instead of the sample catalogue: the installations the
// tests build (FlatpakFixture), with a few uses in GNOME Shell's and KDE's records.
// It runs on the program's own pieces, with a store in memory, no update checking and an empty
// Applications folder, so it neither reads nor changes anything of the person running it.

#include "AppModel.h"
#include "AppScanner.h"
#include "DarkPalette.h"
#include "FixtureTree.h"
#include "FlatpakFixture.h"
#include "FlatpakSource.h"
#include "KudoraApp.h"
#include "MainWindow.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"
#include "UpdaterController.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

// GNOME Shell's record of a few uses, days before now.
QByteArray usageState()
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QByteArray xml = "<?xml version=\"1.0\"?>\n<application-state>\n  <context id=\"\">\n";
    const QList<std::pair<const char*, int>> uses { { FlatpakFixture::UserApp, 1 },
                                                    { FlatpakFixture::FlathubApp, 3 },
                                                    { FlatpakFixture::AppDataApp, 12 } };
    for (const auto& [id, daysAgo] : uses)
        xml += "    <application id=\"" + QByteArray(id)
            + ".desktop\" open-window-count=\"0\" score=\"1\" last-seen=\""
            + QByteArray::number(now - daysAgo * 86400) + "\"/>\n";
    return xml + "  </context>\n</application-state>\n";
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir flatpakRoot;
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw.append(QString::fromLocal8Bit(argv[i]));
    const bool flatpak = raw.contains(QStringLiteral("--flatpak"));
    if (flatpak) {
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
    arguments.removeAll(QStringLiteral("--flatpak"));
    if (arguments.size() != 2 && arguments.size() != 4) {
        std::fputs("usage: kudora_screenshot [--dark] [--flatpak] <output.png> [width height]\n", stderr);
        return 2;
    }
    if (dark) {
        // Before any window exists, so that everything is made in the theme it is drawn in.
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
    const QSize size =
        arguments.size() == 4 ? QSize(arguments[2].toInt(), arguments[3].toInt()) : QSize(1000, 600);

    FixtureTree empty;
    PreferencesService preferences(std::make_shared<MemoryDefaultsDomain>());
    KudoraApp::Parts parts;
    parts.preferences = &preferences;
    parts.sources = AppSources { std::make_shared<const AppScanner>(empty.path(), empty.path()) };
    if (flatpak) {
        if (!FlatpakFixture::shared().error().isEmpty()) {
            std::fprintf(stderr, "cannot build the Flatpak installations: %s\n",
                         qPrintable(FlatpakFixture::shared().error()));
            return 1;
        }
        empty.writeFile(QStringLiteral("data/gnome-shell/application_state"), usageState());
        parts.sources->append(std::make_shared<const FlatpakSource>(empty.pathOf(QStringLiteral("data"))));
        preferences.recordReviewDate(QString::fromLatin1(FlatpakFixture::FlathubApp));
    }
    parts.makeUpdaterController = [](const QVariantMap&, Workspace&) {
        return std::unique_ptr<UpdaterController>();
    };
    KudoraApp kudora(std::move(parts));

    // The first scan runs by itself; mock mode follows once it is done, as the Develop menu would.
    AppModel& model = kudora.model();
    QSignalSpy scans(&model, &AppModel::rescanFinished);
    if (!scans.wait(5000)) {
        std::fputs("the first scan did not finish\n", stderr);
        return 1;
    }
    if (!flatpak)
        model.toggleMockMode();
    if ((!flatpak && !scans.wait(5000)) || model.apps().isEmpty()) {
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
