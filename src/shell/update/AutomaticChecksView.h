// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QAction;
class Updater;

// The "Check for Updates Automatically" menu item: a checkable action that shows and changes the
// updater's automaticallyChecksForUpdates. It belongs to the view, as CheckForUpdatesView's does;
// the updater must outlive it.
class AutomaticChecksView : public QObject
{
    Q_OBJECT

public:
    explicit AutomaticChecksView(Updater& updater, QObject* parent = nullptr);

    QAction* action() const { return m_action; }

private:
    QAction* m_action;
};
