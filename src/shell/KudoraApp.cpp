#include "KudoraApp.h"

#include "AppCommands.h"
#include "AppDelegate.h"
#include "AppModel.h"
#include "AppScanner.h"
#include "ApplicationIcon.h"
#include "CheckForUpdatesView.h"
#include "DefaultsDomain.h"
#include "DetachedTask.h"
#include "FlatpakSource.h"
#include "FocusedValues.h"
#include "MainBundle.h"
#include "MainWindow.h"
#include "PreferencesService.h"
#include "SnapSource.h"
#include "StandardUpdaterController.h"
#include "Workspace.h"

#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QThreadPool>

namespace {
// The first image whose format Qt has to guess (the style's own icons are such images) makes it
// ask every installed image-format plugin about it, loading each plugin and its libraries on the
// spot, on the main thread on its way to the first window. Guessing once on the other core
// meanwhile gets that done or under way by then; the catalogue's icons need the plugins soon
// after anyway.
void loadImageFormatPluginsInBackground()
{
    QThreadPool::globalInstance()->start([] {
        QBuffer nothing;
        nothing.setData(QByteArray(16, '\0'));
        nothing.open(QIODevice::ReadOnly);
        QImageReader(&nothing).canRead();
    });
}

std::unique_ptr<UpdaterController> makeStandardUpdaterController()
{
    // The updater keeps its few values next to the catalogue's, in the program's own domain.
    return std::make_unique<StandardUpdaterController>(true, DefaultsDomain::open(MainBundle::identifier()));
}
AppSources defaultSources()
{
    return { std::make_shared<const AppScanner>(), std::make_shared<const FlatpakSource>(),
             std::make_shared<const SnapSource>() };
}

} // namespace

KudoraApp::KudoraApp()
    : KudoraApp(Parts())
{ }

KudoraApp::KudoraApp(Parts parts)
{
    loadImageFormatPluginsInBackground();
    describeApplication();

    m_appDelegate = std::make_unique<AppDelegate>();
    m_appDelegate->install();

    PreferencesService& preferences = parts.preferences ? *parts.preferences : PreferencesService::shared();
    AppSources sources = parts.sources ? std::move(*parts.sources) : defaultSources();
    m_model = std::make_unique<AppModel>(preferences, std::move(sources));

    m_updaterController =
        parts.makeUpdaterController ? parts.makeUpdaterController() : makeStandardUpdaterController();

    Workspace& workspace = parts.workspace ? *parts.workspace : Workspace::shared();
    m_focusedValues = std::make_unique<FocusedValues>();
    m_mainWindow = std::make_unique<MainWindow>(*m_model, workspace);
    QAction* checkForUpdates = nullptr;
    if (m_updaterController && m_updaterController->updater()) {
        auto* view = new CheckForUpdatesView(*m_updaterController->updater(), m_mainWindow.get());
        checkForUpdates = view->action();
    }
    new AppCommands(*m_model, *m_mainWindow, *m_focusedValues, workspace, checkForUpdates);
}

KudoraApp::~KudoraApp() = default;

void KudoraApp::run(int& argc, char** argv)
{
    run(argc, argv, Parts());
}

void KudoraApp::run(int& argc, char** argv, Parts parts)
{
    {
        QApplication application(argc, argv);
        KudoraApp kudora(std::move(parts));
        kudora.openMainWindow();
        QApplication::exec();
    }
    // The window is gone and the scan's result would have nowhere to go: a scan held up by a hung
    // folder must not keep the process alive, nor find the static objects it uses destroyed.
    DetachedTask::exitIfRunning(0);
}

void KudoraApp::openMainWindow()
{
    m_mainWindow->show();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}

void KudoraApp::describeApplication()
{
    const QVariant name = MainBundle::infoValue(QStringLiteral("CFBundleName"));
    const bool hasName = name.typeId() == QMetaType::QString && !name.toString().isEmpty();
    QApplication::setApplicationName(hasName ? name.toString() : QStringLiteral("Kudora"));
    QApplication::setApplicationVersion(MainBundle::shortVersion());
    QGuiApplication::setDesktopFileName(MainBundle::identifier());
    QApplication::setWindowIcon(ApplicationIcon::icon());
}
