// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppInfo.h"

#include <QCoreApplication>
#include <QList>
#include <QSet>
#include <QUndoCommand>

class AppModel;

// Ignore, Clear Ignore or the ignore list's reset, as a step of the undo stack. The first redo makes
// the change through the model and keeps which ids it added and which it took out; undo and every
// later redo change only those, so that the list comes back exactly as it was, whatever rescans
// came between. A change that changed nothing is obsolete, and the stack drops it.
class IgnoreListCommand : public QUndoCommand
{
    Q_DECLARE_TR_FUNCTIONS(IgnoreListCommand)

public:
    enum class Change { Ignore, ClearIgnore, Reset };

    // apps are those to ignore or clear; a reset takes none. The model must outlive the command.
    IgnoreListCommand(AppModel& model, Change change, const QList<AppInfo>& apps = {});

    void redo() override;
    void undo() override;

    // How many ids the change added to the list or took out of it.
    qsizetype changedCount() const { return m_added.size() + m_removed.size(); }

private:
    AppModel& m_model;
    const Change m_change;
    QList<AppInfo> m_apps;
    bool m_done = false;
    QSet<AppId> m_added;
    QSet<AppId> m_removed;
};
