// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>

class AppModel;
class ContentView;
class NotificationCenter;
class QToolBar;
class QUndoStack;
class Workspace;

// The one window of the program: the catalogue's table view on the shared model, with the search
// field in the toolbar, titled by the application's display name. F10 opens its menu bar's first
// menu. Closing it hides it; nothing in the program creates a second one.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The content view's services (see ContentView); they and model must outlive the window.
    MainWindow(AppModel& model, Workspace& workspace, NotificationCenter& center, QUndoStack& undoStack,
               QWidget* parent = nullptr);

    ContentView* contentView() const { return m_contentView; }
    QToolBar* toolBar() const { return m_toolBar; }

    // Puts the keyboard focus in the search field with its text selected, showing the toolbar if
    // it was hidden.
    void focusSearchField();

private:
    ContentView* m_contentView;
    QToolBar* m_toolBar;
};
