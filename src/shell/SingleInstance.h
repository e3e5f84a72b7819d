// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "UniqueFd.h"

#include <QObject>
#include <QString>

class QLocalServer;

// One running instance per user. The launch that takes a lock answers on a local socket beside it;
// every later launch finds the lock held, asks the running one over the socket to bring its window
// forward, and ends. Only the lock, which the kernel drops when its process ends, decides which
// launch runs: a socket left by a crashed instance is replaced, and of two launches at the same
// moment exactly one runs. A local socket works without a session bus, unlike D-Bus activation.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Role {
        // This launch runs; activationRequested() tells of later ones.
        Running,
        // The running instance was asked to come forward and said it will; this launch ends.
        Forwarded,
        // Another instance holds the lock but did not answer in time; this launch ends too.
        Unanswered,
    };

    // Takes the lock "<name>.lock" in folder and listens on "<name>.socket" there, or asks the
    // instance that holds it, waiting for it at most timeoutMs. A folder that is not private to
    // the user (another user could stand in for the running instance), or one where no lock file
    // can be made, gives Running, without a lock or a socket.
    SingleInstance(const QString& folder, const QString& name, int timeoutMs = 10000);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR, else a folder of the user's own in the temporary folder; created private
    // when missing.
    static QString defaultFolder();

    Role role() const { return m_role; }

signals:
    // A later launch asked for the window. token is its activation token (XDG_ACTIVATION_TOKEN or
    // DESKTOP_STARTUP_ID, which the desktop gave it), empty when it had none.
    void activationRequested(const QString& token);

private:
    void answer();
    bool forward(const QString& socketPath, int timeoutMs);

    Role m_role = Role::Running;
    UniqueFd m_lock;
    QLocalServer* m_server = nullptr;
};
