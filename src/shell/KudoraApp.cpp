// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "KudoraApp.h"

#include "AppCommands.h"
#include "AppDelegate.h"
#include "AppModel.h"
#include "ApplicationIcon.h"
#include "AutomaticChecksView.h"
#include "CheckForUpdatesView.h"
#include "CommandLine.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "DefaultsDomain.h"
#include "DesktopWorkspace.h"
#include "DetachedTask.h"
#include "FocusedValues.h"
#include "FolderWatcher.h"
#include "MainBundle.h"
#include "MainWindow.h"
#include "MessageBar.h"
#include "NotificationCenter.h"
#include "OnlineReviewsController.h"
#include "PreferencesService.h"
#include "QuitSignals.h"
#include "ReviewCache.h"
#include "SingleInstance.h"
#include "StandardSources.h"
#include "StandardUserDriver.h"
#include "UpdaterController.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QTextStream>
#include <QThreadPool>
#include <QUndoStack>

#include <chrono>
#include <future>

namespace {
// The first image whose format Qt has to guess (the style's own icons are such images) makes it
// ask every installed image-format plugin about it, loading each plugin and its libraries on the
// spot, on the main thread on its way to the first window. Guessing once on the other core
// meanwhile gets that done or under way by then; the catalogue's icons need the plugins soon
// after anyway.
const QString UpdateQuestionTopic = QStringLiteral("automaticUpdateChecks");

void loadImageFormatPluginsInBackground()
{
    QThreadPool::globalInstance()->start([] {
        QBuffer nothing;
        nothing.setData(QByteArray(16, '\0'));
        nothing.open(QIODevice::ReadOnly);
        QImageReader(&nothing).canRead();
    });
}

} // namespace

// Lets threads wait until a window has painted for the first time. Loading libflatpak takes the
// dynamic loader's lock for tens of milliseconds, in which no thread can load a library or start a
// thread, and the first paint does both (Qt starts threads to fill large areas, and loads image
// plugins): the first scan loads it once the window is on screen, which costs the catalogue no
// more than that first paint.
class KudoraApp::FirstPaint : public QObject
{
public:
    explicit FirstPaint(std::chrono::milliseconds limit)
        : m_limit(limit)
        , m_painted(m_promise.get_future().share())
    { }
    ~FirstPaint() override { open(); }

    void watch(QWidget& window)
    {
        m_window = &window;
        QCoreApplication::instance()->installEventFilter(this);
    }

    // A wait any thread may call: it returns once the window has painted, once this is gone, or
    // after the limit, for a window that is never shown.
    std::function<void()> waiter() const
    {
        return [painted = m_painted, limit = m_limit] { painted.wait_for(limit); };
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->window() == m_window) {
            QCoreApplication::instance()->removeEventFilter(this);
            // The window is painted and flushed within the event that sent this one.
            QMetaObject::invokeMethod(this, &FirstPaint::open, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void open()
    {
        if (m_opened)
            return;
        m_opened = true;
        m_promise.set_value();
    }

    const std::chrono::milliseconds m_limit;
    std::promise<void> m_promise;
    const std::shared_future<void> m_painted;
    QWidget* m_window = nullptr;
    bool m_opened = false;
};

KudoraApp::KudoraApp()
    : KudoraApp(ProgramParts())
{ }

KudoraApp::KudoraApp(ProgramParts parts)
    : m_center(std::make_unique<NotificationCenter>())
{
    loadImageFormatPluginsInBackground();
    const QVariantMap info = parts.info ? std::move(*parts.info) : MainBundle::infoDictionary();

    m_appDelegate = std::make_unique<AppDelegate>();
    m_appDelegate->install();

    // The catalogue's store and the updater keep their values in the program's one domain.
    const QString identifier = MainBundle::identifier(info);
    PreferencesService* preferences = parts.preferences;
    if (!preferences) {
        m_ownPreferences = std::make_unique<PreferencesService>(DefaultsDomain::open(identifier));
        preferences = m_ownPreferences.get();
    }
    if (!parts.sources) {
        m_firstPaint = std::make_unique<FirstPaint>(std::chrono::seconds(1));
        parts.sources = StandardSources::make(m_firstPaint->waiter());
    }
    AppSources sources = std::move(*parts.sources);
    m_model = std::make_unique<AppModel>(*preferences, std::move(sources));
    QStringList watched;
    for (const std::shared_ptr<const AppSource>& source : m_model->sources())
        watched.append(source->watchedFolders());
    m_installWatcher = std::make_unique<FolderWatcher>(watched, parts.installSettleTime);
    connect(m_installWatcher.get(), &FolderWatcher::settled, m_model.get(), &AppModel::refresh);

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

    // Nothing is read or sent before the first scan ends, and nothing at all unless the user chose.
    m_reviewCache =
        std::make_unique<ReviewCache>(parts.reviewCacheFolder.value_or(ReviewCache::defaultFolder()));
    m_onlineReviews = std::make_unique<OnlineReviewsController>(
        *m_model, preferences->domain(), *m_reviewCache,
        UserHash::ofThisUser(parts.machineIdFile.value_or(UserHash::defaultMachineIdPath())),
        ReviewChoice::serverIn(preferences->domain()));

    m_focusedValues = std::make_unique<FocusedValues>();
    m_undoStack = std::make_unique<QUndoStack>();
    m_mainWindow = std::make_unique<MainWindow>(*m_model, *workspace, *m_center, *m_undoStack);
    if (m_firstPaint)
        m_firstPaint->watch(*m_mainWindow);
    QAction* checkForUpdates = nullptr;
    QAction* automaticChecks = nullptr;
    if (m_updaterController && m_updaterController->updater()) {
        Updater& updater = *m_updaterController->updater();
        checkForUpdates = (new CheckForUpdatesView(updater, m_mainWindow.get()))->action();
        automaticChecks = (new AutomaticChecksView(updater, m_mainWindow.get()))->action();
        // A check that failed is told in the window it was asked for in.
        if (auto* windows = dynamic_cast<StandardUserDriver*>(&updater.userDriver()))
            windows->setMainWindow(m_mainWindow.get());
        askAboutAutomaticChecks(updater);
    }
    ContentView* content = m_mainWindow->contentView();
    m_onlineReviews->useMessageBar(*content->messageBar());
    m_onlineReviews->watchActivation(*m_mainWindow);
    connect(content, &ContentView::reviewPageOpened, m_onlineReviews.get(),
            &OnlineReviewsController::lookUpOnReturn);
    const auto showRatings = [this, content] {
        content->setRatingsShown(m_onlineReviews->choice() == OnlineReviewsController::Choice::On);
    };
    showRatings();
    connect(m_onlineReviews.get(), &OnlineReviewsController::choiceChanged, content, showRatings);
    m_commands = std::make_unique<AppCommands>(*m_model, *m_mainWindow, *m_center, *m_focusedValues,
                                               *workspace, *m_undoStack, checkForUpdates, automaticChecks,
                                               m_onlineReviews->action());
    // Placed once its menus and toolbar give it its full size.
    m_windowPlacement = std::make_unique<WindowPlacement>(
        *m_mainWindow, parts.windowStateFile.value_or(WindowPlacement::defaultFilePath()));
}

KudoraApp::~KudoraApp() = default;

int KudoraApp::main(int& argc, char** argv, ProgramParts parts)
{
    int status = 0;
    {
        QApplication application(argc, argv);
        status = CommandLine::run(parts, describeApplication);
        if (status < 0)
            status = runWindow(std::move(parts));
    }
    // The window is gone and the scan's result would have nowhere to go: a scan held up by a hung
    // folder must not keep the process alive, nor find the static objects it uses destroyed.
    DetachedTask::exitIfRunning(status);
    return status;
}

int KudoraApp::runWindow(ProgramParts parts)
{
    const QString identifier = MainBundle::identifier(*parts.info);
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
    // The end of a session ends the program as Quit does, so that it leaves as it would by hand.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, qApp, &QCoreApplication::quit);
    return QApplication::exec();
}

void KudoraApp::askAboutAutomaticChecks(Updater& updater)
{
    MessageBar* bar = m_mainWindow->contentView()->messageBar();
    const auto ask = [bar, updater = &updater](bool shouldAsk) {
        if (!shouldAsk) {
            bar->withdrawQuestion(UpdateQuestionTopic);
            return;
        }
        bar->askQuestion(
            tr("Check for updates automatically? Kudora would then look for a new version from "
               "time to time. “Check for Updates Automatically” in the menu changes this later."),
            tr("Check Automatically"), tr("Don’t Check"),
            [updater](bool yes) { updater->setAutomaticallyChecksForUpdates(yes); }, UpdateQuestionTopic);
    };
    connect(&updater, &Updater::shouldAskPermissionChanged, bar, ask);
    ask(updater.shouldAskPermission());
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
    MainBundle::nameApplication(info);
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    const QVariant name = info.value(QStringLiteral("CFBundleName"));
    QGuiApplication::setApplicationDisplayName(
        name.typeId() == QMetaType::QString ? name.toString() : QStringLiteral("Kudora"));
    QGuiApplication::setDesktopFileName(MainBundle::identifier(info));
    QApplication::setWindowIcon(ApplicationIcon::icon());
}
