#include "KudoraApp.h"

#include "AppCommands.h"
#include "AppDelegate.h"
#include "AppModel.h"
#include "AppScanner.h"
#include "ApplicationIcon.h"
#include "CheckForUpdatesView.h"
#include "DefaultsDomain.h"
#include "DesktopWorkspace.h"
#include "DetachedTask.h"
#include "FlatpakSource.h"
#include "FocusedValues.h"
#include "MainBundle.h"
#include "MainWindow.h"
#include "NotificationCenter.h"
#include "PreferencesService.h"
#include "SnapSource.h"
#include "StandardUserDriver.h"
#include "Translations.h"
#include "UpdaterController.h"
#include "WindowPlacement.h"

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

QString textValue(const QVariantMap& info, const QString& key)
{
    const QVariant value = info.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
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
    : m_center(std::make_unique<NotificationCenter>())
{
    loadImageFormatPluginsInBackground();
    const QVariantMap info = parts.info ? std::move(*parts.info) : MainBundle::infoDictionary();
    describeApplication(info);

    m_appDelegate = std::make_unique<AppDelegate>();
    m_appDelegate->install();

    // The catalogue's store and the updater keep their values in the program's one domain.
    const QString identifier = textValue(info, QStringLiteral("CFBundleIdentifier"));
    PreferencesService* preferences = parts.preferences;
    if (!preferences) {
        m_ownPreferences = std::make_unique<PreferencesService>(DefaultsDomain::open(identifier));
        preferences = m_ownPreferences.get();
    }
    AppSources sources = parts.sources ? std::move(*parts.sources) : defaultSources();
    m_model = std::make_unique<AppModel>(*preferences, std::move(sources));

    Workspace* workspace = parts.workspace;
    if (!workspace) {
        m_ownWorkspace = std::make_unique<DesktopWorkspace>();
        workspace = m_ownWorkspace.get();
    }
    if (parts.makeUpdaterController)
        m_updaterController = parts.makeUpdaterController(info, *workspace);
    else
        m_updaterController = std::make_unique<UpdaterController>(
            true, std::make_unique<StandardUserDriver>(), DefaultsDomain::open(identifier), info, *workspace);

    m_focusedValues = std::make_unique<FocusedValues>();
    m_mainWindow = std::make_unique<MainWindow>(*m_model, *workspace, *m_center);
    QAction* checkForUpdates = nullptr;
    if (m_updaterController && m_updaterController->updater()) {
        auto* view = new CheckForUpdatesView(*m_updaterController->updater(), m_mainWindow.get());
        checkForUpdates = view->action();
    }
    m_commands =
        new AppCommands(*m_model, *m_mainWindow, *m_center, *m_focusedValues, *workspace, checkForUpdates);
    // Placed once its menus and toolbar give it its full size.
    m_windowPlacement = std::make_unique<WindowPlacement>(
        *m_mainWindow, parts.windowStateFile.value_or(WindowPlacement::defaultFilePath()));
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
        Translations::install();
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

void KudoraApp::describeApplication(const QVariantMap& info)
{
    const QVariant name = info.value(QStringLiteral("CFBundleName"));
    const bool isText = name.typeId() == QMetaType::QString;
    QApplication::setApplicationName(isText && !name.toString().isEmpty() ? name.toString()
                                                                          : QStringLiteral("Kudora"));
    QGuiApplication::setApplicationDisplayName(isText ? name.toString() : QStringLiteral("Kudora"));
    const QString shortVersion = textValue(info, QStringLiteral("CFBundleShortVersionString")).trimmed();
    QApplication::setApplicationVersion(
        shortVersion.isEmpty() ? textValue(info, QStringLiteral("CFBundleVersion")).trimmed() : shortVersion);
    QGuiApplication::setDesktopFileName(textValue(info, QStringLiteral("CFBundleIdentifier")));
    QApplication::setWindowIcon(ApplicationIcon::icon());
}
