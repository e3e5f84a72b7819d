// Renders the window's content on the sample catalogue into a PNG: window_screenshot <file.png>
#include "AppModel.h"
#include "AppTableView.h"
#include "ContentView.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"
#include "SearchField.h"
#include "TestEnvironment.h"
#include "Workspace.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_screenshot <file.png>\n");
        return 2;
    }
    TestEnvironment::setUp();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 0;
    {
        QApplication app(argc, argv);
        QTemporaryDir empty;
        PreferencesService preferences(std::make_shared<MemoryDefaultsDomain>());
        AppModel model(preferences, AppScanner(empty.path(), empty.path()));
        QSignalSpy finished(&model, &AppModel::rescanFinished);
        finished.wait(10000);
        model.toggleMockMode();
        finished.wait(10000);
        // The ignored count shows in the status bar.
        model.ignoreApps({ model.apps().last() });

        ContentView view(model, Workspace::shared());
        view.resize(900, 560);
        view.show();
        view.setSelection({ model.visibleApps().at(1).id() });
        QApplication::processEvents();
        result = view.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    }
    TestEnvironment::tearDown();
    return result;
}
