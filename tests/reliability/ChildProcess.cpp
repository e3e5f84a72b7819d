#include "ChildProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
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
    m_fd = fds[m_pid == 0 ? 1 : 0];
    ::close(fds[m_pid == 0 ? 0 : 1]);
    if (m_pid == 0) {
        if (nobody && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
            ::_exit(3);
        work(*this);
        ::_exit(0);
    }
}

ChildProcess::~ChildProcess()
{
    kill();
    finish();
}

void ChildProcess::write(const QByteArray& bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(m_fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n <= 0 && errno != EINTR)
            ::_exit(5);
        written += qMax(ssize_t(0), n);
    }
}

bool ChildProcess::readSome()
{
    char buffer[65536];
    const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n > 0)
        m_read.append(buffer, n);
    return n > 0 || (n < 0 && errno == EINTR);
}

void ChildProcess::readLine()
{
    while (!m_read.contains('\n') && readSome()) { }
}

void ChildProcess::kill()
{
    if (m_pid > 0)
        ::kill(m_pid, SIGKILL);
}

QByteArray ChildProcess::finish(int* status)
{
    while (m_fd >= 0 && readSome()) { }
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    int result = -1;
    if (m_pid > 0)
        ::waitpid(std::exchange(m_pid, -1), &result, 0);
    if (status)
        *status = result;
    return std::exchange(m_read, {});
}

bool ChildProcess::succeeded(QByteArray* output)
{
    int status = 0;
    const QByteArray bytes = finish(&status);
    if (output)
        *output = bytes;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
