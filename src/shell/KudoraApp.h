// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppSource.h"

#include <QObject>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class AppCommands;
class AppDelegate;
class AppModel;
class FocusedValues;
class MainWindow;
class NotificationCenter;
class PreferencesService;
class SingleInstance;
class UpdaterController;
class WindowPlacement;
class Workspace;

// The application and the one place its services are made: it reads the information dictionary
// once, then creates and owns, for the life of the process, the delegate, the one catalogue model
// and the update controller (in that order), then the main window with its commands, and hands
// each the services it needs; the main window comes back where it was. It needs a QApplication to
// exist and must live on its thread.
class KudoraApp : public QObject
{
    Q_OBJECT

public:
    // What the program takes from the system, replaceable piece by piece (tests do).
    struct Parts
    {
        // The information dictionary (name, identifier, versions, update feed); the program's own
        // when absent.
        std::optional<QVariantMap> info;
        // The store behind the model; one on the defaults domain named by the identifier when null.
        // Must outlive the app.
        PreferencesService* preferences = nullptr;
        // The desktop that opens pages and gives icons; the running desktop when null. Must
        // outlive the app.
        Workspace* workspace = nullptr;
        // The stores the model lists, in order; when absent, StandardSources::make(), whose
        // Flatpak source loads libflatpak only once the main window has first painted.
        std::optional<AppSources> sources;
        // Makes the update controller for the information dictionary and the desktop, its updater
        // already started; the standard controller on the program's defaults domain when empty. A
        // factory returning null leaves the program without update checking, and the menu without
        // its item.
        std::function<std::unique_ptr<UpdaterController>(const QVariantMap& info, Workspace& workspace)>
            makeUpdaterController;
        // The file that keeps the main window's size, position and maximised state between runs;
        // WindowPlacement::defaultFilePath() when absent.
        std::optional<QString> windowStateFile;
    };

    KudoraApp();
    explicit KudoraApp(Parts parts);
    ~KudoraApp() override;

    // The life of the program, as the window module runs it (Launcher), returning its exit status.
    // Asked by its arguments for something done without a window (see CommandLine), it does that
    // on a QCoreApplication, which needs no display. Else, on a QApplication: when another instance
    // of the user's runs, it asks that one to show its window and ends (see SingleInstance);
    // otherwise KudoraApp made of parts, the main window and the event loop. When the loop ends the
    // program ends with it, even while a scan is still held up; then this function does not return.
    static int main(int& argc, char** argv);
    static int main(int& argc, char** argv, Parts parts);

    // Shows the main window whenever another launch asks instance for it.
    void answerLaunches(SingleInstance& instance);

    // Shows the main window and brings it forward.
    void openMainWindow();

    AppModel& model() const { return *m_model; }
    // Null when the program runs without update checking.
    UpdaterController* updaterController() const { return m_updaterController.get(); }
    MainWindow& mainWindow() const { return *m_mainWindow; }
    AppCommands& commands() const { return *m_commands; }
    // The bus that carries the commands to the window.
    NotificationCenter& notificationCenter() const { return *m_center; }

    // Names the application after an information dictionary, once for everything that shows the
    // name or the version: the application name (CFBundleName, "Kudora" when it is not text or is
    // empty), the version (CFBundleShortVersionString, else CFBundleVersion), and on a
    // QGuiApplication also the display name that titles the windows (CFBundleName when it is text,
    // even empty) and the desktop file name (CFBundleIdentifier); and gives it its icon.
    static void describeApplication(const QVariantMap& info);

private:
    class FirstPaint;

    // What main() does once the application object exists: the arguments' work without a window,
    // returning the exit status, or -1 when they ask for the window ...
    static int runCommandLine(Parts& parts);
    // ... which this shows, unless another instance does.
    static int runWindow(Parts parts);

    std::unique_ptr<NotificationCenter> m_center;
    // Holds the first scan's loading of libflatpak until the main window has painted.
    std::unique_ptr<FirstPaint> m_firstPaint;
    std::unique_ptr<FocusedValues> m_focusedValues;
    std::unique_ptr<Workspace> m_ownWorkspace;
    std::unique_ptr<PreferencesService> m_ownPreferences;
    std::unique_ptr<AppDelegate> m_appDelegate;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<UpdaterController> m_updaterController;
    // Declared last: the window borrows the model and the updater, so it goes first.
    std::unique_ptr<MainWindow> m_mainWindow;
    // Goes before the window: its teardown moves the focus, which the commands must no longer
    // follow into a window that is half destroyed.
    std::unique_ptr<AppCommands> m_commands;
    // Goes before the window, writing down where it was.
    std::unique_ptr<WindowPlacement> m_windowPlacement;
};
