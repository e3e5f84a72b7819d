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

    // The child runs work, which reports through write(), and exits.
    explicit ChildProcess(const std::function<void(ChildProcess&)>& work, User user = User::Same);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void write(const QByteArray& bytes);

    // In the parent: waits for the first line the child writes.
    void readLine();
    void kill();
    // In the parent: everything the child wrote, once it ended; status is waitpid's.
    QByteArray finish(int* status = nullptr);
    bool succeeded(QByteArray* output = nullptr);

private:
    bool readSome();

    pid_t m_pid = -1;
    int m_fd = -1;
    QByteArray m_read;
};
