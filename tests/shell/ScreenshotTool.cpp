// Draws the main window in mock mode into a PNG for the documentation:
//   kudora_screenshot [--dark] <output.png> [width height]
// --dark draws it in the Fusion style with a dark palette, as a dark desktop theme would.
// It runs on the program's own pieces, with a store in memory, no update checking and an empty
// Applications folder, so it neither reads nor changes anything of the person running it.

#include "AppModel.h"
#include "DarkPalette.h"
#include "KudoraApp.h"
#include "MainWindow.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"
#include "UpdaterController.h"

#include <QApplication>
#include <QPixmap>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments();
    const bool dark = arguments.removeAll(QStringLiteral("--dark")) > 0;
    if (arguments.size() != 2 && arguments.size() != 4) {
        std::fputs("usage: kudora_screenshot [--dark] <output.png> [width height]\n", stderr);
        return 2;
    }
    if (dark) {
        // Before any window exists, so that everything is made in the theme it is drawn in.
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
    const QSize size =
        arguments.size() == 4 ? QSize(arguments[2].toInt(), arguments[3].toInt()) : QSize(1000, 600);

    QTemporaryDir empty;
    PreferencesService preferences(std::make_shared<MemoryDefaultsDomain>());
    KudoraApp::Parts parts;
    parts.preferences = &preferences;
    parts.sources = AppSources { std::make_shared<const AppScanner>(empty.path(), empty.path()) };
    parts.makeUpdaterController = [] { return std::unique_ptr<UpdaterController>(); };
    KudoraApp kudora(std::move(parts));

    // The first scan runs by itself; mock mode follows once it is done, as the Develop menu would.
    AppModel& model = kudora.model();
    QSignalSpy scans(&model, &AppModel::rescanFinished);
    if (!scans.wait(5000)) {
        std::fputs("the first scan did not finish\n", stderr);
        return 1;
    }
    model.toggleMockMode();
    if (!scans.wait(5000) || model.apps().isEmpty()) {
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
