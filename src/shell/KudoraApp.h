// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProgramParts.h"

#include <QObject>
#include <QVariantMap>

#include <memory>

class AppCommands;
class AppDelegate;
class AppModel;
class FocusedValues;
class FolderWatcher;
class MainWindow;
class NotificationCenter;
class OnlineReviewsController;
class PreferencesService;
class QUndoStack;
class ReviewCache;
class SingleInstance;
class Updater;
class UpdaterController;
class WindowPlacement;
class Workspace;

// The application and the one place its services are made: it reads the information dictionary
// once, then creates and owns, for the life of the process, the delegate, the one catalogue model
// with the watcher of its sources' folders, and the update controller (in that order), then the main window
// with its commands, and hands each the services it needs; the main window comes back where it was. It needs
// a QApplication to exist, named by describeApplication as main() names it, and must live on its thread.
class KudoraApp : public QObject
{
    Q_OBJECT

public:
    KudoraApp();
    explicit KudoraApp(ProgramParts parts);
    ~KudoraApp() override;

    // The life of the program once the launcher has found that its arguments may ask for the
    // window (see Launcher), returning its exit status. On a QApplication, which takes Qt's own
    // options out of them, it reads them once more and does what they ask for, which may still be
    // something done without a window (see CommandLine). Else: when another instance of the user's
    // runs, it asks that one to show its window and ends (see SingleInstance); otherwise KudoraApp
    // made of parts, the main window and the event loop. When the loop ends the program ends with
    // it, even while a scan is still held up; then this function does not return.
    static int main(int& argc, char** argv, ProgramParts parts = {});

    // Shows the main window whenever another launch asks instance for it.
    void answerLaunches(SingleInstance& instance);

    // Shows the main window and brings it forward.
    void openMainWindow();

    AppModel& model() const { return *m_model; }
    // Null when the program runs without update checking.
    UpdaterController* updaterController() const { return m_updaterController.get(); }
    MainWindow& mainWindow() const { return *m_mainWindow; }
    OnlineReviewsController& onlineReviews() const { return *m_onlineReviews; }
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

    // Shows the window, unless another instance does.
    static int runWindow(ProgramParts parts);
    // Asks in the main window's message bar whether updater may check by itself, for as long as
    // it wants to know.
    void askAboutAutomaticChecks(Updater& updater);

    std::unique_ptr<NotificationCenter> m_center;
    // Holds the first scan's loading of libflatpak until the main window has painted.
    std::unique_ptr<FirstPaint> m_firstPaint;
    std::unique_ptr<FocusedValues> m_focusedValues;
    std::unique_ptr<Workspace> m_ownWorkspace;
    std::unique_ptr<PreferencesService> m_ownPreferences;
    std::unique_ptr<AppDelegate> m_appDelegate;
    std::unique_ptr<AppModel> m_model;
    // Refreshes the model when the sources' folders show an install or a removal.
    std::unique_ptr<FolderWatcher> m_installWatcher;
    std::unique_ptr<UpdaterController> m_updaterController;
    // The answers of the ratings service, and the lookups that borrow it and the model.
    std::unique_ptr<ReviewCache> m_reviewCache;
    std::unique_ptr<OnlineReviewsController> m_onlineReviews;
    // The user's changes of the catalogue, for Undo and Redo; its steps borrow the model.
    std::unique_ptr<QUndoStack> m_undoStack;
    // Declared last: the window borrows the model and the updater, so it goes first.
    std::unique_ptr<MainWindow> m_mainWindow;
    // Goes before the window: its teardown moves the focus, which the commands must no longer
    // follow into a window that is half destroyed.
    std::unique_ptr<AppCommands> m_commands;
    // Goes before the window, writing down where it was.
    std::unique_ptr<WindowPlacement> m_windowPlacement;
};
