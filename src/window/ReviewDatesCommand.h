// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppInfo.h"
#include "AppModel.h"

#include <QCoreApplication>
#include <QList>
#include <QUndoCommand>

// A review recorded or review dates reset, as a step of the undo stack. The first redo makes the
// change through the model and keeps the dates from before and after it; undo and every later redo
// put those back exactly, so that a review undone and redone keeps the time it was recorded at. A
// change that changed nothing is obsolete, and the stack drops it.
class ReviewDatesCommand : public QUndoCommand
{
    Q_DECLARE_TR_FUNCTIONS(ReviewDatesCommand)

public:
    enum class Change { Record, Reset };

    // The model must outlive the command.
    ReviewDatesCommand(AppModel& model, Change change, const QList<AppInfo>& apps);

    void redo() override;
    void undo() override;

    // How many applications the change gave another date.
    qsizetype changedCount() const;

private:
    AppModel& m_model;
    const Change m_change;
    QList<AppInfo> m_apps;
    bool m_done = false;
    qsizetype m_changedCount = 0;
    AppModel::ReviewDates m_before;
    AppModel::ReviewDates m_after;
};
