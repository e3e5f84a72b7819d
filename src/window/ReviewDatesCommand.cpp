// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReviewDatesCommand.h"

ReviewDatesCommand::ReviewDatesCommand(AppModel& model, Change change, const QList<AppInfo>& apps)
    : m_model(model)
    , m_change(change)
    , m_apps(apps)
{
    setText(change == Change::Record ? tr("Review") : tr("Reset Last Reviewed Date"));
}

void ReviewDatesCommand::redo()
{
    if (m_done) {
        m_model.restoreReviewDates(m_after);
        return;
    }
    m_done = true;
    QList<AppId> ids;
    for (const AppInfo& app : std::as_const(m_apps))
        ids.append(app.id());
    m_before = m_model.reviewDates(ids);
    if (m_change == Change::Record) {
        for (const AppInfo& app : std::as_const(m_apps))
            m_model.recordReview(app);
    } else {
        m_model.resetReviewDates(m_apps);
    }
    m_after = m_model.reviewDates(ids);
    m_apps.clear();
    for (auto it = m_after.cbegin(); it != m_after.cend(); ++it)
        m_changedCount += m_before.value(it.key()) != it.value() ? 1 : 0;
    setObsolete(m_changedCount == 0);
}

void ReviewDatesCommand::undo()
{
    m_model.restoreReviewDates(m_before);
}

qsizetype ReviewDatesCommand::changedCount() const
{
    return m_changedCount;
}
