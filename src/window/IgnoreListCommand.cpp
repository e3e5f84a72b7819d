// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "IgnoreListCommand.h"

#include "AppModel.h"

IgnoreListCommand::IgnoreListCommand(AppModel& model, Change change, const QList<AppInfo>& apps)
    : m_model(model)
    , m_change(change)
    , m_apps(apps)
{
    switch (change) {
    case Change::Ignore:
        setText(tr("Ignore"));
        break;
    case Change::ClearIgnore:
        setText(tr("Clear Ignore"));
        break;
    case Change::Reset:
        setText(tr("Reset Ignore List"));
        break;
    }
}

void IgnoreListCommand::redo()
{
    if (m_done) {
        m_model.changeIgnoredIDs(m_added, m_removed);
        return;
    }
    m_done = true;
    const QSet<AppId> before = m_model.ignoredIDs();
    switch (m_change) {
    case Change::Ignore:
        m_model.ignoreApps(m_apps);
        break;
    case Change::ClearIgnore:
        m_model.unignoreApps(m_apps);
        break;
    case Change::Reset:
        m_model.resetIgnoreList();
        break;
    }
    const QSet<AppId>& after = m_model.ignoredIDs();
    m_added = QSet<AppId>(after).subtract(before);
    m_removed = QSet<AppId>(before).subtract(after);
    m_apps.clear();
    setObsolete(changedCount() == 0);
}

void IgnoreListCommand::undo()
{
    m_model.changeIgnoredIDs(m_removed, m_added);
}
