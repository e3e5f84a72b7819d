// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "KudoraApp.h"

#include "AppCommands.h"
#include "AppDelegate.h"
#include "AppModel.h"
#include "AppScanner.h"
#include "ApplicationIcon.h"
#include "CheckForUpdatesView.h"
#include "CommandLine.h"
#include "CommandNames.h"
#include "DefaultsDomain.h"
#include "DesktopWorkspace.h"
#include "DetachedTask.h"
#include "FlatpakSource.h"
#include "FocusedValues.h"
#include "MainBundle.h"
#include "MainWindow.h"
#include "NotificationCenter.h"
#include "PreferencesService.h"
#include "SingleInstance.h"
#include "SnapSource.h"
#include "StandardUserDriver.h"
#include "Translations.h"
#include "UpdaterController.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QTextStream>
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

QString identifierOf(const QVariantMap& info)
{
    return textValue(info, QStringLiteral("CFBundleIdentifier"));
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
    const QString identifier = identifierOf(info);
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
    m_commands = std::make_unique<AppCommands>(*m_model, *m_mainWindow, *m_center, *m_focusedValues,
                                               *workspace, checkForUpdates);
    // Placed once its menus and toolbar give it its full size.
    m_windowPlacement = std::make_unique<WindowPlacement>(
        *m_mainWindow, parts.windowStateFile.value_or(WindowPlacement::defaultFilePath()));
}

KudoraApp::~KudoraApp() = default;

int KudoraApp::main(int& argc, char** argv)
{
    return main(argc, argv, Parts());
}

int KudoraApp::main(int& argc, char** argv, Parts parts)
{
    // Options the program does not know may be Qt's own, which QApplication takes out; without
    // them, a line that asks for no window, or that is wrong, needs no display to be answered.
    const CommandLine early(CommandLine::arguments(argc, argv));
    if (!early.hasUnknownOptions() && (!early.isValid() || early.mode() != CommandLine::Mode::Window)) {
        QCoreApplication application(argc, argv);
        return runCommandLine(parts);
    }
    int status = 0;
    {
        QApplication application(argc, argv);
        status = runCommandLine(parts);
        if (status < 0)
            status = runWindow(std::move(parts));
    }
    // The window is gone and the scan's result would have nowhere to go: a scan held up by a hung
    // folder must not keep the process alive, nor find the static objects it uses destroyed.
    DetachedTask::exitIfRunning(status);
    return status;
}

int KudoraApp::runCommandLine(Parts& parts)
{
    Translations::install();
    if (!parts.info)
        parts.info = MainBundle::infoDictionary();
    describeApplication(*parts.info);
    const CommandLine line(QCoreApplication::arguments());
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!line.isValid()) {
        err << line.errorText() << Qt::endl;
        return 1;
    }
    switch (line.mode()) {
    case CommandLine::Mode::Window:
        break;
    case CommandLine::Mode::Help:
        out << line.helpText();
        return 0;
    case CommandLine::Mode::Version:
        out << QCoreApplication::applicationName() << u' ' << QCoreApplication::applicationVersion()
            << Qt::endl;
        return 0;
    case CommandLine::Mode::List: {
        // The stored choices as they are: a listing creates, prunes and writes nothing.
        std::optional<PreferencesService> ownPreferences;
        PreferencesService* preferences = parts.preferences;
        if (!preferences)
            preferences = &ownPreferences.emplace(DefaultsDomain::openForReading(identifierOf(*parts.info)));
        return line.list(parts.sources ? *parts.sources : defaultSources(), *preferences, out, err);
    }
    }
    return -1;
}

int KudoraApp::runWindow(Parts parts)
{
    const QString identifier = identifierOf(*parts.info);
    SingleInstance instance(SingleInstance::defaultFolder(),
                            identifier.isEmpty() ? QStringLiteral("kudora") : identifier);
    if (instance.role() != SingleInstance::Role::Running) {
        if (instance.role() == SingleInstance::Role::Forwarded)
            return 0;
        QTextStream(stderr)
            << tr("%1 is running already but does not answer.").arg(QCoreApplication::applicationName())
            << Qt::endl;
        return 1;
    }
    KudoraApp kudora(std::move(parts));
    kudora.answerLaunches(instance);
    kudora.openMainWindow();
    return QApplication::exec();
}

void KudoraApp::answerLaunches(SingleInstance& instance)
{
    connect(&instance, &SingleInstance::activationRequested, this, [this](const QString& token) {
        // Wayland lets a window take the focus with the token the desktop gave the launch.
        if (!token.isEmpty())
            qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        m_commands->action(CommandNames::MainWindow)->trigger();
    });
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
    QCoreApplication::setApplicationName(isText && !name.toString().isEmpty() ? name.toString()
                                                                              : QStringLiteral("Kudora"));
    const QString shortVersion = textValue(info, QStringLiteral("CFBundleShortVersionString")).trimmed();
    QCoreApplication::setApplicationVersion(
        shortVersion.isEmpty() ? textValue(info, QStringLiteral("CFBundleVersion")).trimmed() : shortVersion);
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    QGuiApplication::setApplicationDisplayName(isText ? name.toString() : QStringLiteral("Kudora"));
    QGuiApplication::setDesktopFileName(identifierOf(info));
    QApplication::setWindowIcon(ApplicationIcon::icon());
}
