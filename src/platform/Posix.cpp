// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Posix.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

QByteArray Posix::nativePath(const QString& path)
{
    QByteArray native = QFile::encodeName(path);
    if (native.contains('\0'))
        return {};
    return native;
}

UniqueFd Posix::open(const QString& path, int flags, int mode)
{
    const QByteArray native = nativePath(path);
    if (native.isEmpty()) {
        errno = EINVAL;
        return UniqueFd();
    }
    return UniqueFd(retryOnInterrupt([&] { return ::open(native.constData(), flags, mode); }));
}

bool Posix::makePrivateFolder(const QString& folder)
{
    const QByteArray native = nativePath(folder);
    if (native.isEmpty())
        return false;
    struct stat info;
    if (::stat(native.constData(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const QString parent = QFileInfo(folder).path();
    if (parent != folder && !makePrivateFolder(parent))
        return false;
    // Another process may make it at the same moment.
    return ::mkdir(native.constData(), 0700) == 0
        || (errno == EEXIST && ::stat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode));
}

bool Posix::writeAll(int fd, QByteArrayView bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count = retryOnInterrupt(
            [&] { return ::write(fd, bytes.data() + written, size_t(bytes.size() - written)); });
        if (count < 0)
            return false;
        written += count;
    }
    return true;
}

bool Posix::replaceAtomically(const QString& filePath, QByteArrayView bytes)
{
    const QFileInfo file(filePath);
    const QByteArray target = nativePath(filePath);
    QByteArray temporary =
        nativePath(file.path() + QStringLiteral("/.") + file.fileName() + QStringLiteral(".XXXXXX"));
    if (target.isEmpty() || temporary.isEmpty())
        return false;
    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC)); // created 0600
    if (!fd.isValid())
        return false;
    const bool written = writeAll(fd.get(), bytes) && ::fchmod(fd.get(), 0600) == 0 && ::fsync(fd.get()) == 0;
    const bool closed = fd.close();
    if (!written || !closed || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    // The rename itself must reach the disk too.
    if (const UniqueFd folder = open(file.path(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); folder.isValid())
        ::fsync(folder.get());
    return true;
}

UniqueFd Posix::lock(const QString& path, LockWait wait, bool folder)
{
    UniqueFd fd = folder ? open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                         : open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (!fd.isValid())
        return fd;
    const int operation = LOCK_EX | (wait == LockWait::DontWait ? LOCK_NB : 0);
    if (retryOnInterrupt([&] { return ::flock(fd.get(), operation); }) != 0) {
        const int error = errno;
        fd.close();
        errno = error;
    }
    return fd;
}

Posix::Directory Posix::openDirectory(const QString& path)
{
    const QByteArray native = nativePath(path);
    if (native.isEmpty()) {
        errno = EINVAL;
        return nullptr;
    }
    return Directory(::opendir(native.constData()));
}

QByteArray Posix::loginName()
{
    const uid_t uid = ::getuid();
    // The name of the entry lookUp finds, when it is the real user's; the buffer grows while the
    // entry does not fit.
    const auto nameOf = [uid](const auto& lookUp) -> QByteArray {
        const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
        QByteArray buffer(suggested > 0 ? qsizetype(suggested) : 1024, Qt::Uninitialized);
        for (;;) {
            passwd entry {};
            passwd* found = nullptr;
            // These return the error rather than set errno.
            const int error = lookUp(&entry, buffer.data(), size_t(buffer.size()), &found);
            if (error == EINTR)
                continue;
            if (error == ERANGE && buffer.size() < 1024 * 1024) {
                buffer.resize(buffer.size() * 2);
                continue;
            }
            if (error != 0 || !found || found->pw_uid != uid || !found->pw_name)
                return {};
            return QByteArray(found->pw_name);
        }
    };
    if (const QByteArray logName = qgetenv("LOGNAME"); !logName.isEmpty()) {
        const QByteArray name = nameOf([&](passwd* entry, char* buffer, size_t size, passwd** found) {
            return ::getpwnam_r(logName.constData(), entry, buffer, size, found);
        });
        if (!name.isEmpty())
            return name;
    }
    return nameOf([uid](passwd* entry, char* buffer, size_t size, passwd** found) {
        return ::getpwuid_r(uid, entry, buffer, size, found);
    });
}
