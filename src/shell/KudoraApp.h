#pragma once

#include "AppSource.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class AppCommands;
class AppDelegate;
class AppModel;
class CheckForUpdatesView;
class FocusedValues;
class MainWindow;
class PreferencesService;
class UpdaterController;
class Workspace;

// The application: it creates and owns, for the life of the process, the delegate, the one
// catalogue model and the update controller (in that order), then the main window with its menus.
// It needs a QApplication to exist and must live on its thread.
class KudoraApp : public QObject
{
    Q_OBJECT

public:
    // What the program takes from the system, replaceable piece by piece (tests do).
    struct Parts
    {
        // The store behind the model; PreferencesService::shared() when null. Must outlive the app.
        PreferencesService* preferences = nullptr;
        // The desktop that opens pages and gives icons; Workspace::shared() when null. Must
        // outlive the app.
        Workspace* workspace = nullptr;
        // The stores the model lists, in order; when absent, the App Store applications of the
        // system and home Applications folders, then the Flatpak applications.
        std::optional<AppSources> sources;
        // Makes the update controller, its updater already started; the standard controller on
        // the program's defaults domain when empty. A factory returning null leaves the program
        // without update checking, and the menu without its item.
        std::function<std::unique_ptr<UpdaterController>()> makeUpdaterController;
    };

    KudoraApp();
    explicit KudoraApp(Parts parts);
    ~KudoraApp() override;

    // The life of the program, as main() runs it: the application object, KudoraApp made of parts,
    // the main window and the event loop. When the loop ends the program ends with it, even while
    // a scan is still held up; then this function does not return.
    static void run(int& argc, char** argv);
    static void run(int& argc, char** argv, Parts parts);

    // Shows the main window and brings it forward.
    void openMainWindow();

    AppDelegate& appDelegate() const { return *m_appDelegate; }
    AppModel& model() const { return *m_model; }
    // Null when the program runs without update checking.
    UpdaterController* updaterController() const { return m_updaterController.get(); }
    MainWindow& mainWindow() const { return *m_mainWindow; }

    // Names the application after its information dictionary (name, version, desktop file) and
    // gives it its icon.
    static void describeApplication();

private:
    std::unique_ptr<FocusedValues> m_focusedValues;
    std::unique_ptr<AppDelegate> m_appDelegate;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<UpdaterController> m_updaterController;
    // Declared last: the window borrows the model and the updater, so it goes first.
    std::unique_ptr<MainWindow> m_mainWindow;
};
