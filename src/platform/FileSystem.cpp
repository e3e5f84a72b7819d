// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileSystem.h"

#include "Posix.h"

#include <QFile>
#include <QMutex>
#include <QStringDecoder>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <limits>
#include <sys/stat.h>

namespace {
// A name the file system gives back as raw bytes becomes a QString only when it is valid UTF-8;
// otherwise no path built from it would find the same entry again.
std::optional<QString> decodeName(const char* name)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(name, qsizetype(std::strlen(name))));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// The native form of path; nothing when the path holds a NUL, which would name another file.
std::optional<QByteArray> nativePath(const QString& path)
{
    QByteArray native = QFile::encodeName(path);
    if (native.isEmpty() || native.contains('\0'))
        return std::nullopt;
    return native;
}

// The tests' faults. The flag keeps every read outside a scope from touching the lock.
std::atomic<bool> s_faultsActive = false;
QMutex s_faultsMutex;
std::function<int(const QString&)> s_errorAt;

// stat or lstat of path, or the fault a test put there; 0 or an errno value.
int statPath(const QString& path, struct stat& info, bool followLinks)
{
    if (const int injected = FileSystem::injectedError(path))
        return injected;
    const auto native = nativePath(path);
    if (!native)
        return EINVAL;
    return (followLinks ? ::stat(native->constData(), &info) : ::lstat(native->constData(), &info)) == 0
        ? 0
        : errno;
}
} // namespace

FileSystem::Outcome FileSystem::outcomeOf(int error, const QString& path)
{
    if (error == ENOTDIR)
        return Outcome::Absent;
    if (error != ENOENT)
        return Outcome::Failed;
    // A link whose target is missing is how an unmounted disk shows.
    struct stat info;
    return statPath(path, info, false) == ENOENT ? Outcome::Absent : Outcome::Failed;
}

ReadResult<QStringList> FileSystem::listDirectory(const QString& path)
{
    const auto fail = [&](int error) -> ReadResult<QStringList> { return outcomeOf(error, path); };
    const auto native = nativePath(path);
    if (!native)
        return fail(EINVAL);
    if (const int injected = injectedError(path))
        return fail(injected);
    const Posix::Directory dir(::opendir(native->constData()));
    if (!dir)
        return fail(errno);
    QStringList names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            // A listing cut short by an error is no listing: a partial one would make entries
            // seem to have gone.
            const int error = errno;
            if (error != 0)
                return fail(error == ENOENT ? EIO : error);
            return names;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (auto name = decodeName(entry->d_name))
            names.append(*name);
    }
}

namespace {
QDateTime timeOf(const timespec& stamp)
{
    // Beyond this, milliseconds would overflow 64 bits; no real time stamp is there.
    constexpr qint64 Limit = std::numeric_limits<qint64>::max() / 1000 - 1;
    const qint64 seconds = stamp.tv_sec;
    if (seconds < -Limit || seconds > Limit)
        return {};
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + stamp.tv_nsec / 1000000, Qt::UTC);
}
} // namespace

FileSystem::Status FileSystem::status(const QString& path)
{
    struct stat info;
    const int error = statPath(path, info, true);
    if (error != 0)
        return { outcomeOf(error, path), false, {}, {} };
    return { Outcome::Read, S_ISDIR(info.st_mode), timeOf(info.st_mtim), timeOf(info.st_ctim) };
}

QString FileSystem::joinPath(const QString& path, const QString& component)
{
    if (path.isEmpty())
        return component;
    if (path.endsWith(u'/'))
        return path + component;
    return path + u'/' + component;
}

FileSystem::FaultScope::FaultScope(std::function<int(const QString& path)> errorAt)
{
    const QMutexLocker locker(&s_faultsMutex);
    m_previous = std::exchange(s_errorAt, std::move(errorAt));
    s_faultsActive = true;
}

FileSystem::FaultScope::~FaultScope()
{
    const QMutexLocker locker(&s_faultsMutex);
    s_errorAt = std::move(m_previous);
    s_faultsActive = bool(s_errorAt);
}

int FileSystem::injectedError(const QString& path)
{
    if (!s_faultsActive.load(std::memory_order_relaxed))
        return 0;
    const QMutexLocker locker(&s_faultsMutex);
    return s_errorAt ? s_errorAt(path) : 0;
}
