// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

// A forked copy of the test process that runs one piece of work and reports through a pipe: for
// two writers at once, a writer killed mid-write, and a user whom permission bits stop.
class ChildProcess
{
public:
    static bool canBeNobody() { return ::geteuid() == 0 && ::getpwnam("nobody"); } // only root can

    explicit ChildProcess(const std::function<void(ChildProcess&)>& work, bool asNobody = false)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        const passwd* nobody = asNobody ? ::getpwnam("nobody") : nullptr;
        m_pid = ::fork();
        m_fd = fds[m_pid == 0 ? 1 : 0];
        ::close(fds[m_pid == 0 ? 0 : 1]);
        if (m_pid != 0)
            return;
        if (nobody && (::setgroups(0, nullptr) || ::setgid(nobody->pw_gid) || ::setuid(nobody->pw_uid)))
            ::_exit(3);
        work(*this);
        ::_exit(0);
    }
    ~ChildProcess() { kill(), finish(); }

    void write(const QByteArray& bytes)
    {
        // A blocking write to a pipe returns once it wrote everything.
        if (::write(m_fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
            ::_exit(5);
    }
    // In the parent: waits for the first line, kills, or collects all output and waitpid's status.
    void readLine()
    {
        while (!m_read.contains('\n') && readSome()) { }
    }
    void kill() { m_pid > 0 && ::kill(m_pid, SIGKILL); }
    QByteArray finish()
    {
        while (readSome()) { }
        if (m_fd >= 0)
            ::close(std::exchange(m_fd, -1));
        if (m_pid > 0)
            ::waitpid(std::exchange(m_pid, -1), &status, 0);
        return std::exchange(m_read, {});
    }
    int status = -1;

private:
    bool readSome()
    {
        char buffer[65536];
        const ssize_t n = m_fd < 0 ? 0 : ::read(m_fd, buffer, sizeof buffer);
        if (n > 0)
            m_read.append(buffer, n);
        return n > 0;
    }

    pid_t m_pid = -1;
    int m_fd = -1;
    QByteArray m_read;
};
