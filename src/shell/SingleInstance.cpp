// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include "Posix.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
// A message is one line: the activation token, then "\n"; the answer is "ok\n".
constexpr qint64 MaximumLine = 4096;
constexpr int AnswerTimeoutMs = 5000;

// A folder only its owner can enter: nobody else can put a socket there to stand in for us.
bool isPrivateFolder(const QString& folder)
{
    struct stat info;
    return ::lstat(QFile::encodeName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

QString ownToken()
{
    const QString wayland = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return wayland.isEmpty() ? qEnvironmentVariable("DESKTOP_STARTUP_ID") : wayland;
}
} // namespace

SingleInstance::SingleInstance(const QString& folder, const QString& name, int timeoutMs)
{
    if (!isPrivateFolder(folder))
        return;
    const QString lockPath = folder + u'/' + name + u".lock"_s;
    const QString socketPath = folder + u'/' + name + u".socket"_s;
    // The lock's holder may be starting (not listening yet) or ending (no longer listening): ask
    // again until one of the two has happened.
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        m_lock = Posix::lock(lockPath, Posix::LockWait::DontWait);
        if (!m_lock.isValid() && errno != EWOULDBLOCK)
            return;
        if (m_lock.isValid()) {
            // Whatever socket is there belongs to an instance that has ended.
            QLocalServer::removeServer(socketPath);
            // Nobody else can enter the folder, so the socket needs no access options of its own:
            // with them, Qt makes it in a temporary folder and moves it here, a folder made and
            // removed on the way to the window.
            m_server = new QLocalServer(this);
            connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
            m_server->listen(socketPath);
            m_role = Role::Running;
            return;
        }
        if (forward(socketPath, int(qMax<qint64>(0, deadline.remainingTime())))) {
            m_role = Role::Forwarded;
            return;
        }
        if (deadline.hasExpired()) {
            m_role = Role::Unanswered;
            return;
        }
        QThread::msleep(50);
    }
}

SingleInstance::~SingleInstance()
{
    // The socket goes before the lock, so that a launch that finds the lock free finds no socket
    // of ours to ask.
    delete m_server;
    m_lock.close();
}

QString SingleInstance::defaultFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(u'/'))
        return runtime;
    const QString own = QDir::tempPath() + u"/kudora-"_s + QString::number(::getuid());
    Posix::makePrivateFolder(own);
    return own;
}

bool SingleInstance::forward(const QString& socketPath, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(qMin(timeoutMs, 1000)))
        return false;
    socket.write(ownToken().toUtf8().replace('\n', ' ') + '\n');
    // Once it took the message, the running instance answers as soon as its event loop runs.
    const QDeadlineTimer deadline(qMax(timeoutMs, AnswerTimeoutMs));
    while (!socket.canReadLine() && socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
    }
    return socket.canReadLine() && socket.readLine() == "ok\n";
}

void SingleInstance::answer()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A launch that never finishes its line is not waited for.
        QTimer::singleShot(AnswerTimeoutMs, socket, &QLocalSocket::abort);
        const auto read = [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > MaximumLine)
                    socket->abort();
                return;
            }
            const QString token = QString::fromUtf8(socket->readLine(MaximumLine)).trimmed();
            socket->write("ok\n");
            socket->disconnectFromServer();
            emit activationRequested(token);
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        read();
    }
}
