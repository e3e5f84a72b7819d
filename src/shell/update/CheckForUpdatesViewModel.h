// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class Updater;

// Mirrors the updater's canCheckForUpdates for one "Check for Updates…" item: the updater's value
// at construction, and every change after it for as long as the view model lives.
class CheckForUpdatesViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    explicit CheckForUpdatesViewModel(Updater& updater, QObject* parent = nullptr);

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

signals:
    void canCheckForUpdatesChanged(bool canCheckForUpdates);

private:
    void setCanCheckForUpdates(bool value);

    bool m_canCheckForUpdates = false;
};
