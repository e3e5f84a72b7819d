// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class CheckForUpdatesViewModel;
class QAction;
class Updater;

// The "Check for Updates…" menu item: an action, enabled while its own view model says a check can
// start, that asks the updater for one. Both belong to the view: put the action in a menu with
// QMenu::addAction(view->action()); destroying the view removes it from the menu.
class CheckForUpdatesView : public QObject
{
    Q_OBJECT

public:
    explicit CheckForUpdatesView(Updater& updater, QObject* parent = nullptr);

    QAction* action() const { return m_action; }
    CheckForUpdatesViewModel* viewModel() const { return m_viewModel; }

private:
    CheckForUpdatesViewModel* m_viewModel;
    QAction* m_action;
};
