#include "ChildProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

std::string ChildProcess::whyNoNobody()
{
    if (::geteuid() != 0)
        return "not running as root, so no other user can be taken on";
    return ::getpwnam("nobody") ? std::string() : "there is no user \"nobody\"";
}

ChildProcess::ChildProcess(const std::function<void(ChildProcess&)>& work, User user)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return;
    const passwd* nobody = user == User::Nobody ? ::getpwnam("nobody") : nullptr;
    const uid_t uid = nobody ? nobody->pw_uid : 0;
    const gid_t gid = nobody ? nobody->pw_gid : 0;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::close(fds[0]);
        m_fd = fds[1];
        if (user == User::Nobody
            && (!nobody || ::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
            ::_exit(3);
        work(*this);
        ::_exit(0);
    }
    ::close(fds[1]);
    m_fd = fds[0];
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0) {
        kill();
        finish();
    }
}

void ChildProcess::write(const QByteArray& bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(m_fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ::_exit(5);
        written += n;
    }
}

QByteArray ChildProcess::readLine()
{
    char buffer[4096];
    pollfd readable { m_fd, POLLIN, 0 };
    while (!m_pending.contains('\n') && ::poll(&readable, 1, 10000) > 0) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        m_pending.append(buffer, n);
    }
    return m_pending;
}

void ChildProcess::kill()
{
    if (m_pid > 0)
        ::kill(m_pid, SIGKILL);
}

QByteArray ChildProcess::finish(int* status)
{
    char buffer[65536];
    for (ssize_t n; m_fd >= 0 && (n = ::read(m_fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno != EINTR)
            break;
        if (n > 0)
            m_pending.append(buffer, n);
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    int result = -1;
    if (m_pid > 0)
        ::waitpid(m_pid, &result, 0);
    m_pid = -1;
    if (status)
        *status = result;
    return std::exchange(m_pending, {});
}

bool ChildProcess::succeeded(QByteArray* output)
{
    int status = 0;
    const QByteArray bytes = finish(&status);
    if (output)
        *output = bytes;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
