// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QKeySequence>
#include <QLatin1StringView>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

class AboutBox;
class AppModel;
class FocusedValues;
class MainWindow;
class NotificationCenter;
class QAction;
class QMenu;
class QUndoStack;
class QWindow;
class Workspace;

// The program's commands: one action per command, named by CommandNames, in the main window's menu
// bar. Catalogue commands do not reach into the window: their actions post their names on the
// notification bus, and the window carries them out on its selection; the rows' context menu and
// the empty state's button show the same actions. Edit's Undo and Redo walk the undo stack that
// the window's changes are pushed on. The View menu's show/hide of ignored
// applications alone flips the model directly. Every title and enabled state follows the model and
// the focused window's selection (updateActions()).
class AppCommands : public QObject
{
    Q_OBJECT

public:
    // Builds the menus onto window's menu bar; it must go before the window. checkForUpdates and
    // automaticChecks are the update items, placed in Help (after "About Kudora" on macOS);
    // without them there are none. onlineReviews, the choice of looking up the user's reviews, goes
    // in View. The services must outlive the commands.
    AppCommands(AppModel& model, MainWindow& window, NotificationCenter& center, FocusedValues& focusedValues,
                Workspace& workspace, QUndoStack& undoStack, QAction* checkForUpdates,
                QAction* automaticChecks, QAction* onlineReviews = nullptr);

    // The action of the command called name; null for a name the program does not have.
    QAction* action(QLatin1StringView name) const;

    // Derives every title and enabled state from the model and the focused values.
    void updateActions();

    // The product's help page, opened by "Kudora Help".
    static QUrl helpPageUrl();

private:
    QAction* add(QLatin1StringView name, const QString& title, const QList<QKeySequence>& shortcuts = {});
    // A command the main window carries out: its action posts its name.
    QAction* addPosted(QLatin1StringView name, const QString& title,
                       const QList<QKeySequence>& shortcuts = {});
    void buildMenus(QAction* checkForUpdates, QAction* automaticChecks, QAction* onlineReviews);
    void placeInMenus();
    void lendWindowCommands(QWindow* window);
    void showAbout();
    void showMainWindow();

    AppModel& m_model;
    MainWindow& m_window;
    NotificationCenter& m_center;
    FocusedValues& m_focusedValues;
    Workspace& m_workspace;
    QUndoStack& m_undoStack;
    QHash<QString, QAction*> m_actions;
    QPointer<AboutBox> m_about;
};
