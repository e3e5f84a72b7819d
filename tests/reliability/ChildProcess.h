#pragma once

#include <QByteArray>

#include <functional>
#include <string>
#include <sys/types.h>

// A forked copy of the test process that runs one piece of work and reports through a pipe: for
// two writers at once, a writer killed mid-write, and a user whom permission bits stop.
class ChildProcess
{
public:
    enum class User { Same, Nobody };

    // Empty when the tests can take on the unprivileged user "nobody" (as root only), else why not.
    static std::string whyNoNobody();

    // The child runs work and exits; work reports through write().
    explicit ChildProcess(const std::function<void(ChildProcess&)>& work, User user = User::Same);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // In the child: hands bytes to the parent.
    void write(const QByteArray& bytes);

    // In the parent: what the child wrote up to its first line break (waiting at most 10 s).
    QByteArray readLine();
    void kill();
    // In the parent: everything the child wrote, once it ended; status is waitpid's.
    QByteArray finish(int* status = nullptr);
    // In the parent: finish() and true when the child exited with 0.
    bool succeeded(QByteArray* output = nullptr);

private:
    pid_t m_pid = -1;
    int m_fd = -1;
    QByteArray m_pending;
};
