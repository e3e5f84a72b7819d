// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SafeFile.h"

#include "Posix.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ReadResult<QByteArray> SafeFile::readRegularFile(const QString& path, qint64 limit)
{
    QByteArray content;
    const ReadOutcome outcome = readRegularFile(path, content, limit);
    if (outcome != ReadOutcome::Read)
        return outcome;
    return content;
}

ReadOutcome SafeFile::readRegularFile(const QString& path, QByteArray& content, qint64 limit)
{
    // A file of another kind or over the limit is there but cannot be read as asked.
    constexpr ReadOutcome Failed = ReadOutcome::Failed;
    const auto fail = [&](int error) { return FileSystem::outcomeOf(error, path); };
    if (path.isEmpty() || limit < 0)
        return Failed;
    const QByteArray nativePath = QFile::encodeName(path);
    if (nativePath.contains('\0'))
        return Failed;
    if (const int injected = FileSystem::injectedError(path))
        return fail(injected);

    // O_NONBLOCK keeps the open itself from waiting for a writer when the path is a FIFO; the
    // type check below then refuses it before any read.
    const auto openPath = [&](int flags) {
        return Posix::retryOnInterrupt([&] {
            return ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | flags);
        });
    };
    // Most files asked for are not there. Not following a link at the end of the path first lets
    // ENOENT alone say so, without a second look for a dangling link; a link there is followed on
    // a second try, where ENOENT means its target is missing: a failure, not absence.
    int fd = openPath(O_NOFOLLOW);
    if (fd < 0) {
        if (errno == ENOENT)
            return ReadOutcome::Absent;
        if (errno != ELOOP)
            return fail(errno);
        fd = openPath(0);
        if (fd < 0)
            return errno == ENOENT ? Failed : fail(errno);
    }
    const UniqueFd file(fd);

    struct stat info;
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > limit)
        return Failed;

    // The size may change while reading (someone appending); read to the end but never past the
    // limit, so a growing file still counts as too large rather than flooding the caller. The
    // bytes go straight into the result, with room for one byte more than the size known, so that
    // the usual case is one read that stops short.
    qsizetype size = 0;
    content.resize(qsizetype(std::min<qint64>(info.st_size, limit) + 1));
    for (;;) {
        if (size == content.size()) {
            if (size > limit)
                return Failed;
            content.resize(qsizetype(std::min<qint64>(qint64(size) * 2, limit + 1)));
        }
        const ssize_t count = Posix::retryOnInterrupt(
            [&] { return ::read(file.get(), content.data() + size, size_t(content.size() - size)); });
        if (count < 0)
            return Failed;
        if (count == 0)
            break;
        size += count;
        // Stopping short at exactly the size known is the end as it was then: a file that had
        // grown would have filled the byte beyond it.
        if (size == info.st_size && size < content.size())
            break;
    }
    if (size > limit)
        return Failed;
    content.resize(size);
    return ReadOutcome::Read;
}
